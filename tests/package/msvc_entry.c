/* Entry point of the MSVC-mode host, which links no C runtime: runs main and
 * ends the process with its result. */
__declspec(dllimport) void __stdcall ExitProcess(unsigned int exitCode);
int main(void);

void __cdecl host_entry(void) { ExitProcess((unsigned int)main()); }
