#include "settings/settings.h"
#include "support/files.h"
#include "support/replace.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

using test_support::Replaced;

using test_support::read_file;
using test_support::write_file;

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// A documents folder whose name no Western code page can hold.
const wchar_t kForeignName[] = L"\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b";

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        // Every case works under a folder named outside the code page.
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + kForeignName + L"_" + std::to_wstring(GetCurrentProcessId());
        remove_tree(m_root);
        CreateDirectoryW(m_root.c_str(), nullptr);
        m_folder = m_root + L"\\Kestrane\\Calcora\\";
        fill_record(0x11);
        s_pauses.clear();
    }
    void TearDown() override { remove_tree(m_root); }

    // A recognisable valid record in memory.
    static void fill_record(uint8_t seed) {
        SettingsRecord& record = settings_record();
        std::memset(&record, 0, sizeof record);
        record.version = kSettingsVersion;
        record.screen_width = 1280;
        record.screen_height = 720;
        record.quality = 2;
        for (int i = 0; i < 248; ++i) record.reserved[i] = static_cast<uint8_t>(seed + i);
        for (int i = 0; i < kAssignmentCount; ++i)
            record.pad_slots[0].assignments[i] = 0x01000000u * seed + i;
        stamp_settings_header(record);
    }

    static std::vector<uint8_t> record_bytes() {
        const auto* p = reinterpret_cast<const uint8_t*>(&settings_record());
        return std::vector<uint8_t>(p, p + sizeof(SettingsRecord));
    }

    std::wstring file() const { return m_folder + L"settings.dat"; }

    std::wstring m_root;
    std::wstring m_folder;
    // Pauses between tries of a locked file are counted, not waited for.
    Replaced<SleepCall> m_noPauses{g_sleep, &record_pause};
    static std::vector<DWORD> s_pauses;

private:
    static void WINAPI record_pause(DWORD ms) { s_pauses.push_back(ms); }
};

std::vector<DWORD> SettingsFile::s_pauses;

TEST_F(SettingsFile, SaveCreatesTheFolderAndWritesTheExactRecord) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_EQ(saved, record_bytes());
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
    EXPECT_FALSE(exists(m_folder + L"settings.dat.new"));
}

TEST_F(SettingsFile, LoadAfterSaveRestoresEveryByte) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    fill_record(0x77);
    ASSERT_TRUE(load_settings_from(m_folder));
    EXPECT_EQ(record_bytes(), saved);
    EXPECT_EQ(active_keyboard_layout()[0], 0x11000000u);

    // Saving an unchanged loaded record writes back what was read, reserved bytes too.
    ASSERT_TRUE(save_settings_to(m_folder));
    EXPECT_EQ(read_file(file()), saved);
}

TEST_F(SettingsFile, RejectedFilesLeaveTheRecordAlone) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> good = read_file(file());

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"short", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    std::vector<uint8_t> flipped = good;
    flipped[0x02C + 5] ^= 0x40;
    cases.push_back({"reserved byte flipped", flipped});
    std::vector<uint8_t> slot = good;
    slot[0x2E4 + 20] ^= 0x01;
    cases.push_back({"last slot byte flipped", slot});
    std::vector<uint8_t> version = good;
    version[4] = 3;
    cases.push_back({"version", version});

    for (const Case& c : cases) {
        ASSERT_TRUE(write_file(file(), c.bytes));
        fill_record(0x55);
        const std::vector<uint8_t> before = record_bytes();
        EXPECT_FALSE(load_settings_from(m_folder)) << c.what;
        EXPECT_EQ(record_bytes(), before) << c.what;
    }

    uint32_t error = 1;
    EXPECT_FALSE(load_settings_from(m_folder, &error));
    EXPECT_EQ(error, 0u) << "invalid content means no settings";

    DeleteFileW(file().c_str());
    error = 1;
    EXPECT_FALSE(load_settings_from(m_folder, &error));
    EXPECT_EQ(error, 0u) << "a missing file means no settings";
    error = 1;
    EXPECT_FALSE(load_settings_from(m_root + L"\\missing\\", &error));
    EXPECT_EQ(error, 0u) << "a missing folder means no settings";
    EXPECT_TRUE(s_pauses.empty());
}

TEST_F(SettingsFile, LargerSizeAndTrailingBytesAreAccepted) {
    SettingsRecord& record = settings_record();
    make_directories(m_folder);
    record.size = 1000;
    record.checksum = settings_checksum(record);
    std::vector<uint8_t> bytes = record_bytes();
    bytes.resize(1000, 0xAB);
    ASSERT_TRUE(write_file(file(), bytes));

    fill_record(0x22);
    ASSERT_TRUE(load_settings_from(m_folder));
    EXPECT_EQ(settings_record().size, 1000u);
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_EQ(saved[8], 0x54);  // 852 = 0x354
    EXPECT_EQ(saved[9], 0x03);
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
}

TEST_F(SettingsFile, AFailedSaveKeepsThePreviousFileAndNamesTheFailure) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> old_file = read_file(file());

    // A directory where the new file would be written makes the write fail.
    ASSERT_TRUE(CreateDirectoryW((m_folder + L"settings.dat.new").c_str(), nullptr));
    fill_record(0x99);
    uint32_t error = 0;
    EXPECT_FALSE(save_settings_to(m_folder, &error));
    EXPECT_NE(error, 0u);
    EXPECT_EQ(read_file(file()), old_file);
}

// A save killed before its replace leaves a short temporary file; the next save takes it
// over and leaves the files beside it, a backup of the player's own included, as they are.
TEST_F(SettingsFile, ASaveRemovesTheTemporaryFileAKilledSaveLeft) {
    ASSERT_TRUE(make_directories(m_folder));
    const std::vector<uint8_t> leftover(300, 0x5A);
    const std::vector<uint8_t> other = {1, 2, 3};
    ASSERT_TRUE(write_file(m_folder + L"settings.dat.new", leftover));
    ASSERT_TRUE(write_file(m_folder + L"settings.dat.old", other));

    ASSERT_TRUE(save_settings_to(m_folder));
    EXPECT_FALSE(exists(m_folder + L"settings.dat.new"));
    EXPECT_EQ(read_file(m_folder + L"settings.dat.old"), other);
    EXPECT_EQ(read_file(file()), record_bytes());
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeFailsWithTheSystemsReason) {
    // A plain file stands where the Kestrane folder should be.
    ASSERT_TRUE(write_file(m_root + L"\\Kestrane", {1, 2, 3}));
    EXPECT_FALSE(make_directories(m_folder));
    const DWORD expected = GetLastError();
    uint32_t error = 0;
    EXPECT_FALSE(save_settings_to(m_folder, &error));
    EXPECT_EQ(error, expected);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(read_file(m_root + L"\\Kestrane"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SettingsFile, MakeDirectoriesCreatesEveryLevelBeforeTheLastSeparator) {
    const std::wstring path = m_root + L"/a\\b/c\\leaf";
    EXPECT_TRUE(make_directories(path));
    EXPECT_TRUE(exists(m_root + L"\\a\\b\\c"));
    EXPECT_FALSE(exists(m_root + L"\\a\\b\\c\\leaf"));
    EXPECT_TRUE(make_directories(path));  // existing levels are fine
    EXPECT_TRUE(make_directories(L"\\\\?\\" + m_root + L"\\d\\e\\"));
    EXPECT_TRUE(exists(m_root + L"\\d\\e"));
}

// A file call that fails its first `failures` calls with `error`, then is the system's.
struct FlakyCall {
    int failures = 0;
    DWORD error = 0;
    int calls = 0;
    bool fails_now() {
        if (calls++ >= failures) return false;
        SetLastError(error);
        return true;
    }
};
FlakyCall g_flakyCreate, g_flakyMove;

HANDLE WINAPI flaky_create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE model) {
    if (g_flakyCreate.fails_now()) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, access, share, security, disposition, flags, model);
}

BOOL WINAPI flaky_move_file(LPCWSTR from, LPCWSTR to, DWORD flags) {
    return !g_flakyMove.fails_now() && MoveFileExW(from, to, flags);
}

// Sync clients, scanners and indexers hold a fresh file open for a moment: a save tries
// again with growing pauses, about 1.5 s in all, keeping the finished temporary file.
TEST_F(SettingsFile, ASaveTriesAgainWhileTheFileIsLockedForAMoment) {
    struct Case {
        const char* what;
        FlakyCall create, move;
        DWORD expected_error;
        int expected_creates;
    };
    const Case cases[] = {
        {"create shared twice", {2, ERROR_SHARING_VIOLATION}, {}, 0, 3},
        {"create denied for good", {INT_MAX, ERROR_ACCESS_DENIED}, {}, ERROR_ACCESS_DENIED, 6},
        {"replace locked twice", {}, {2, ERROR_LOCK_VIOLATION}, 0, 1},
        {"replace shared for good", {}, {INT_MAX, ERROR_SHARING_VIOLATION}, ERROR_SHARING_VIOLATION, 1},
        {"disk full", {1, ERROR_DISK_FULL}, {}, ERROR_DISK_FULL, 1},
    };
    Replaced<CreateFileCall> create(g_create_file, &flaky_create_file);
    Replaced<MoveFileExCall> move(g_move_file_ex, &flaky_move_file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_flakyCreate = {};
        g_flakyMove = {};
        fill_record(0x11);
        ASSERT_TRUE(save_settings_to(m_folder));
        const std::vector<uint8_t> old_file = read_file(file());
        fill_record(0x66);
        g_flakyCreate = c.create;
        g_flakyMove = c.move;
        s_pauses.clear();

        uint32_t error = 0;
        EXPECT_EQ(save_settings_to(m_folder, &error), c.expected_error == 0);
        EXPECT_EQ(error, c.expected_error);
        EXPECT_EQ(read_file(file()), c.expected_error ? old_file : record_bytes());
        EXPECT_FALSE(exists(m_folder + L"settings.dat.new")) << "no temporary file is left";
        EXPECT_EQ(g_flakyCreate.calls, c.expected_creates);
        const int failures = c.create.failures ? c.create.failures : c.move.failures;
        if (c.expected_error == ERROR_DISK_FULL) {
            EXPECT_TRUE(s_pauses.empty()) << "only locks are waited out";
        } else if (failures == 2) {
            EXPECT_EQ(s_pauses.size(), 2u);
        } else {
            const DWORD total = std::accumulate(s_pauses.begin(), s_pauses.end(), DWORD{0});
            EXPECT_GE(total, 1000u);
            EXPECT_LE(total, 2000u);
        }
        for (size_t i = 1; i < s_pauses.size(); ++i) EXPECT_GT(s_pauses[i], s_pauses[i - 1]);
    }
    g_flakyCreate = {};
    g_flakyMove = {};
}

TEST_F(SettingsFile, ALoadTriesAgainWhileTheFileIsLockedAndThenNamesTheFailure) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = record_bytes();
    Replaced<CreateFileCall> create(g_create_file, &flaky_create_file);

    fill_record(0x33);
    g_flakyCreate = {2, ERROR_SHARING_VIOLATION};
    uint32_t error = 1;
    EXPECT_TRUE(load_settings_from(m_folder, &error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(record_bytes(), saved);

    fill_record(0x33);
    const std::vector<uint8_t> before = record_bytes();
    g_flakyCreate = {INT_MAX, ERROR_LOCK_VIOLATION};
    s_pauses.clear();
    EXPECT_FALSE(load_settings_from(m_folder, &error));
    EXPECT_EQ(error, static_cast<uint32_t>(ERROR_LOCK_VIOLATION)) << "a locked file is not a missing one";
    EXPECT_EQ(record_bytes(), before);
    EXPECT_EQ(g_flakyCreate.calls, 6);
    g_flakyCreate = {};
}

// A sync client or an editor may hold the file open for writing while the tool starts.
TEST_F(SettingsFile, LoadReadsAFileThatAnotherProgramHoldsOpenForWriting) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = record_bytes();
    HANDLE writer = CreateFileW(file().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    fill_record(0x44);
    uint32_t error = 0;
    const bool loaded = load_settings_from(m_folder, &error);
    CloseHandle(writer);
    EXPECT_TRUE(loaded) << "error " << error;
    EXPECT_EQ(record_bytes(), saved);
}

// What OK finds where a file could not be read at start: the record a save would write
// (header stamped) counts as the same; anything else, a longer file too, as different; a
// file locked past the pauses as unreadable, with the system's reason.
TEST_F(SettingsFile, CompareTellsWhetherTheFileHoldsWhatASaveWouldWrite) {
    ASSERT_TRUE(make_directories(m_folder));
    std::vector<uint8_t> same = record_bytes();
    std::vector<uint8_t> longer = same;
    longer.push_back(0);
    std::vector<uint8_t> other = same;
    other[0x2C] ^= 1;
    struct Case {
        const char* what;
        const std::vector<uint8_t>* bytes;  // null: no file
        FlakyCall create;
        SettingsFileState expected;
        DWORD expected_error;
    };
    const Case cases[] = {
        {"no file", nullptr, {}, SettingsFileState::Missing, 0},
        {"the same record", &same, {}, SettingsFileState::Same, 0},
        {"the same record, locked for a moment",
         &same,
         {2, ERROR_SHARING_VIOLATION},
         SettingsFileState::Same,
         0},
        {"another record", &other, {}, SettingsFileState::Different, 0},
        {"the record and more", &longer, {}, SettingsFileState::Different, 0},
        {"held by another program",
         &same,
         {INT_MAX, ERROR_SHARING_VIOLATION},
         SettingsFileState::Unreadable,
         ERROR_SHARING_VIOLATION},
        {"access denied",
         &other,
         {INT_MAX, ERROR_ACCESS_DENIED},
         SettingsFileState::Unreadable,
         ERROR_ACCESS_DENIED},
    };
    Replaced<CreateFileCall> create(g_create_file, &flaky_create_file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(file().c_str());
        if (c.bytes) {
            ASSERT_TRUE(write_file(file(), *c.bytes));
        }
        g_flakyCreate = c.create;
        uint32_t error = 1;
        EXPECT_EQ(compare_settings_file_in(m_folder, &error), c.expected);
        EXPECT_EQ(error, c.expected_error);
        EXPECT_EQ(record_bytes(), same) << "the record is left as it is";
    }
    g_flakyCreate = {};
}

bool no_documents_folder(std::wstring&) {
    return false;
}

bool foreign_documents_folder(std::wstring& folder) {
    folder = std::wstring(L"C:\\users\\") + kForeignName + L"\\";
    return true;
}

TEST(SettingsFolder, IsTheDocumentsFolderWithTheGameSuffixOrTheCurrentFolder) {
    wchar_t documents[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    EXPECT_EQ(settings_folder_path(), std::wstring(documents) + L"\\Kestrane\\Calcora\\");
    {
        Replaced<DocumentsFolderLookup> lookup(g_documents_folder, &foreign_documents_folder);
        EXPECT_EQ(settings_folder_path(),
                  std::wstring(L"C:\\users\\") + kForeignName + L"\\Kestrane\\Calcora\\");
    }
    Replaced<DocumentsFolderLookup> lookup(g_documents_folder, &no_documents_folder);
    EXPECT_EQ(settings_folder_path(), L".\\Kestrane\\Calcora\\");
}

TEST_F(SettingsFile, WithoutADocumentsFolderTheFileLivesUnderTheCurrentFolder) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(m_root.c_str()));
    Replaced<DocumentsFolderLookup> lookup(g_documents_folder, &no_documents_folder);
    const std::wstring fallback = settings_folder_path();
    const bool saved = save_settings_to(fallback);
    fill_record(0x44);
    const bool loaded = load_settings_from(fallback);
    SetCurrentDirectoryW(previous);

    EXPECT_TRUE(saved);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(read_file(file()), record_bytes()) << "written to and read from .\\Kestrane\\Calcora";
}

}  // namespace
