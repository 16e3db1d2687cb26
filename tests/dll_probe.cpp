// A small DLL for the DLL-command tests: functions in both calling conventions, exported by name and ordinal.
#include <cstdint>

extern "C" {
__declspec(dllexport) int32_t __stdcall probe_add(int32_t a, int32_t b) { return a + b; }
// Leaves its arguments on the stack: called as a standard-convention function it unbalances the stack.
__declspec(dllexport) int32_t __cdecl probe_cdecl_add(int32_t a, int32_t b) { return a + b; }
__declspec(dllexport) int64_t __stdcall probe_wide(int32_t high) { return (static_cast<int64_t>(high) << 32) | 5; }
__declspec(dllexport) int32_t __stdcall probe_sum_bytes(const uint8_t* data, int32_t length) {
    int32_t sum = 0;
    for (int32_t i = 0; data && i < length; ++i) sum += data[i];
    return sum;
}
}
