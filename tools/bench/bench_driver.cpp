// Figures for tools/benchmark.sh, measured inside Wine:
//   startup RUNS EXE... median milliseconds from process start to its sheet being visible,
//                       one line per program, after a run not counted; the programs take
//                       turns, each run beginning with the next, so that a change in the
//                       machine's load during the run falls on all of them alike
//   startup-pads RUNS EXE...
//                       the same with two gamepads of the session's virtual pads plugged in,
//                       which start-up lists and opens
//   idle EXE            shows the Controller page and keeps it up for 12 s (prints READY)
//   parse RUNS          microseconds to parse the shipped string database
//   pad EXE             with a virtual gamepad plugged in (the session's pads), shows the
//                       Display page and keeps it up for 12 s (prints READY), then presses the
//                       D-pad down 20 times and prints the median milliseconds from the pad
//                       having the press to the sheet's focus having moved, how many moved,
//                       and the milliseconds of the first press, the one after the rest
#include "nrv/storage/storage.h"
#include "res/resource.h"
#include "text/text.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <istream>
#include <string>
#include <vector>

namespace {

double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_sheet(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window) &&
        FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring windows_path(const char* unix_path) {
    std::wstring path = L"Z:";
    for (const char* c = unix_path; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

// Starts the program and returns its sheet once visible (null on failure).
HWND start_and_wait(const char* exe, PROCESS_INFORMATION& process) {
    std::wstring path = windows_path(exe);
    std::wstring command = L"\"" + path + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    for (int tries = 0; tries < 30000; ++tries) {
        Search search = {process.dwProcessId, nullptr};
        EnumWindows(find_sheet, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

void close_and_wait(HWND sheet, PROCESS_INFORMATION& process) {
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

int startup(int runs, const std::vector<const char*>& exes) {
    std::vector<std::vector<double>> times(exes.size());
    // A first run, not counted, warms Wine's caches: the very first start takes longer. Each
    // counted run then begins with the next program, so that no program is always first.
    for (int run = -1; run < runs; ++run) {
        for (size_t turn = 0; turn < exes.size(); ++turn) {
            const size_t program = (turn + static_cast<size_t>(run + 1)) % exes.size();
            PROCESS_INFORMATION process = {};
            const double start = now_ms();
            HWND sheet = start_and_wait(exes[program], process);
            const double shown = now_ms();
            if (!sheet) return 1;
            if (run >= 0) times[program].push_back(shown - start);
            close_and_wait(sheet, process);
        }
    }
    for (std::vector<double>& program_times : times) {
        std::sort(program_times.begin(), program_times.end());
        std::printf("%.1f\n", program_times[program_times.size() / 2]);
    }
    return 0;
}

int idle(const char* exe) {
    PROCESS_INFORMATION process = {};
    HWND sheet = start_and_wait(exe, process);
    if (!sheet) return 1;
    SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
    std::printf("READY\n");
    std::fflush(stdout);
    Sleep(12000);
    close_and_wait(sheet, process);
    return 0;
}

// The session's virtual pads (tools/wine-session.sh): commands appended to a file, and the
// number carried out so far in the file beside it.
class PadCommands {
public:
    PadCommands() {
        const char* path = std::getenv("VIRTUAL_PADS_COMMANDS");
        if (path) m_path = narrow(windows_path(path));
    }
    bool available() const { return !m_path.empty(); }
    long Done() const {
        std::ifstream in(m_path + ".done");
        long done = 0;
        in >> done;
        return done;
    }
    // Appends the command; the count of commands it makes.
    long Send(const std::string& command) {
        std::ofstream(m_path, std::ios::app | std::ios::binary) << command << '\n';
        std::ifstream in(m_path, std::ios::binary);
        return static_cast<long>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    }
    // Waits until the command count is carried out; false after 5 s.
    bool WaitDone(long count) const {
        for (int tries = 0; tries < 5000; ++tries, Sleep(1))
            if (Done() >= count) return true;
        return false;
    }

private:
    static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    std::string m_path;
};

HWND focused_in(HWND sheet) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info) ? info.hwndFocus : nullptr;
}

int pad(const char* exe) {
    PadCommands pads;
    if (!pads.available() || !pads.WaitDone(pads.Send("attach bench 1 6 15 1 045e 02ff Bench Pad"))) return 1;
    PROCESS_INFORMATION process = {};
    HWND sheet = start_and_wait(exe, process);
    if (!sheet) return 1;
    SetForegroundWindow(sheet);
    std::printf("READY\n");
    std::fflush(stdout);
    Sleep(12000);
    // A mapped gamepad's D-pad is SDL's buttons 11 to 14; 12 is down.
    std::vector<double> delays;
    for (int press = 0; press < 20; ++press) {
        HWND before = focused_in(sheet);
        const long sent = pads.Send("button bench 12 1");
        while (pads.Done() < sent) Sleep(0);
        const double pressed = now_ms();
        while (focused_in(sheet) == before && now_ms() - pressed < 1000) Sleep(0);
        if (focused_in(sheet) != before) delays.push_back(now_ms() - pressed);
        pads.WaitDone(pads.Send("button bench 12 0"));
        Sleep(150);
    }
    close_and_wait(sheet, process);
    pads.WaitDone(pads.Send("detach bench"));
    if (delays.empty()) {
        std::printf("none\n");
        return 0;
    }
    const double first = delays.front();
    std::sort(delays.begin(), delays.end());
    std::printf("%.1f %zu %.1f\n", delays[delays.size() / 2], delays.size(), first);
    return 0;
}

int startup_with_pads(int runs, const std::vector<const char*>& exes) {
    PadCommands pads;
    if (!pads.available() || !pads.WaitDone(pads.Send("attach bench1 1 6 15 1 045e 02ff Bench Pad One")) ||
        !pads.WaitDone(pads.Send("attach bench2 1 6 15 1 045e 02ff Bench Pad Two")))
        return 1;
    const int result = startup(runs, exes);
    pads.WaitDone(pads.Send("detach bench1"));
    pads.WaitDone(pads.Send("detach bench2"));
    return result;
}

int parse(int runs) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
    if (!resource) return 1;
    const void* bytes = LockResource(LoadResource(nullptr, resource));
    const int32_t size = static_cast<int32_t>(SizeofResource(nullptr, resource));
    const double start = now_ms();
    for (int run = 0; run < runs; ++run) {
        nrv::storage::memory_streambuf buffer(bytes, size);
        std::istream stream(&buffer);
        if (!load_string_database(stream)) return 1;
    }
    std::printf("%.1f\n", 1000.0 * (now_ms() - start) / runs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc > 3)
        return startup(std::atoi(argv[2]), std::vector<const char*>(argv + 3, argv + argc));
    if (mode == "startup-pads" && argc > 3)
        return startup_with_pads(std::atoi(argv[2]), std::vector<const char*>(argv + 3, argv + argc));
    if (mode == "idle" && argc > 2) return idle(argv[2]);
    if (mode == "parse" && argc > 2) return parse(std::atoi(argv[2]));
    if (mode == "pad" && argc > 2) return pad(argv[2]);
    std::fprintf(stderr,
                 "usage: bench_driver startup RUNS EXE... | startup-pads RUNS EXE... | idle EXE | parse RUNS "
                 "| pad EXE\n");
    return 2;
}
