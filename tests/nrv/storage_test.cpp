#include "nrv/storage/storage.h"

#include <gtest/gtest.h>

#include <istream>
#include <string>

namespace {

TEST(MemoryStreambuf, ReadsTheBlockThroughAStream) {
    const char data[] = "STRD block";
    nrv::storage::memory_streambuf buffer(data, 10);
    std::istream in(&buffer);
    char head[4];
    ASSERT_TRUE(in.read(head, 4));
    EXPECT_EQ(std::string(head, 4), "STRD");
    std::string rest;
    in >> std::noskipws;
    std::getline(in, rest, '\0');
    EXPECT_EQ(rest, " block");
    EXPECT_TRUE(in.eof());
}

TEST(MemoryStreambuf, SeekposAcceptsPositionsInsideTheBlockOnly) {
    const char data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    nrv::storage::memory_streambuf buffer(data, 8);
    std::istream in(&buffer);
    EXPECT_EQ(buffer.pubseekpos(7, std::ios_base::in), std::streampos(7));
    EXPECT_EQ(in.get(), 7);
    EXPECT_EQ(buffer.pubseekpos(8, std::ios_base::in), std::streampos(-1));
    EXPECT_EQ(buffer.pubseekpos(-1, std::ios_base::in), std::streampos(-1));
    EXPECT_EQ(buffer.pubseekpos(2, std::ios_base::in), std::streampos(2));
    EXPECT_EQ(in.get(), 2);
}

TEST(MemoryStreambuf, SeekoffStaysInsideTheBlock) {
    const char data[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    nrv::storage::memory_streambuf buffer(data, 8);
    std::istream in(&buffer);
    EXPECT_EQ(buffer.pubseekoff(3, std::ios_base::beg, std::ios_base::in), std::streampos(3));
    EXPECT_EQ(buffer.pubseekoff(2, std::ios_base::cur, std::ios_base::in), std::streampos(5));
    EXPECT_EQ(in.get(), 5);
    EXPECT_EQ(buffer.pubseekoff(-1, std::ios_base::end, std::ios_base::in), std::streampos(7));
    EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::end, std::ios_base::in), std::streampos(8));
    EXPECT_EQ(in.get(), std::char_traits<char>::eof());
    in.clear();

    // Outside [0, size]: refused, and the position stays where it was.
    EXPECT_EQ(buffer.pubseekoff(1, std::ios_base::end, std::ios_base::in), std::streampos(-1));
    EXPECT_EQ(buffer.pubseekoff(-9, std::ios_base::end, std::ios_base::in), std::streampos(-1));
    EXPECT_EQ(buffer.pubseekoff(100000, std::ios_base::beg, std::ios_base::in), std::streampos(-1));
    EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::in), std::streampos(8));
}

TEST(MemoryStreambuf, NeverWritesPastTheBlockNorPutsBack) {
    // The block is bytes 1 to 4; the guards around it must never change.
    char data[6] = {'<', 'a', 'b', 'c', 'd', '>'};
    nrv::storage::memory_streambuf buffer(data + 1, 4);
    std::istream in(&buffer);
    EXPECT_EQ(buffer.sungetc(), std::char_traits<char>::eof());
    EXPECT_EQ(in.get(), 'a');
    // A different character cannot be put back into the caller's block.
    EXPECT_EQ(buffer.sputbackc('q'), std::char_traits<char>::eof());
    EXPECT_EQ(in.get(), 'b');

    std::ostream out(&buffer);
    out.write("wxyz!", 5);
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.sputc('#'), std::char_traits<char>::eof());
    EXPECT_EQ(std::string(data, 6), "<wxyz>");
}

TEST(MemoryStreambuf, AnEmptyOrMissingBlockReadsNothing) {
    nrv::storage::memory_streambuf missing(nullptr, 100);
    std::istream in(&missing);
    char c;
    EXPECT_FALSE(in.read(&c, 1));
    nrv::storage::memory_streambuf negative("abc", -5);
    EXPECT_EQ(negative.pubseekpos(0, std::ios_base::in), std::streampos(-1));
}

class CountedObject : public nrv::refrence_counter {
public:
    CountedObject(int* hooks, int* destroyed) : m_hooks(hooks), m_destroyed(destroyed) {}
    ~CountedObject() override { ++*m_destroyed; }
    void on_last_release() override { ++*m_hooks; }

private:
    int* m_hooks;
    int* m_destroyed;
};

TEST(RefrenceCounter, LastReleaseRunsTheHookThenDestroys) {
    int hooks = 0;
    int destroyed = 0;
    auto* object = new CountedObject(&hooks, &destroyed);
    EXPECT_EQ(object->reference_count(), 1);
    EXPECT_EQ(object->add_ref(), 2);
    EXPECT_EQ(object->release(), 1);
    EXPECT_EQ(hooks, 0);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(object->release(), 0);
    EXPECT_EQ(hooks, 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
