/* A DLL named oleacc.dll as someone might plant it beside the program: it only says so. */
__declspec(dllexport) int planted_library(void) {
    return 1;
}
