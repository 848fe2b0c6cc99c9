// StandInDll: a library the DLL search tests put beside a program under a system library's name.
#include <windows.h>

extern "C" __declspec(dllexport) int CorvaneStandInDll()
{
    return 1;
}
