#include <windows.h>

// The runtime's entry. Loading the attached application and opening its window arrive with
// the startup sequence; until then the program image only carries its sections and resources.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
