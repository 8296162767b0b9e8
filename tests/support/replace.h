// Puts a test's own function in place of a replaceable system call (a function-pointer
// global of a subsystem's public header) and puts the previous one back at scope exit.
#pragma once

namespace test_support {

template <typename Function>
class Replaced {
public:
    Replaced(Function& call, Function replacement) : m_call(call), m_previous(call) { call = replacement; }
    ~Replaced() { m_call = m_previous; }
    Replaced(const Replaced&) = delete;
    Replaced& operator=(const Replaced&) = delete;

private:
    Function& m_call;
    Function m_previous;
};

}  // namespace test_support
