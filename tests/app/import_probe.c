// A program that imports one function of its own choice, IMPORTED_FUNCTION, beside what
// every program of the build imports: the import check's own test builds it with a function
// of Windows Vista and with one of Windows 8, and nothing else differs.
#include <windows.h>

int main(void) {
    return (int)(INT_PTR)&IMPORTED_FUNCTION;
}
