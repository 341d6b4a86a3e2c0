/* Built as an HCNetSDK.dll that imports a DLL nobody ships: the SDK is found,
   yet the loader refuses it with "module not found" as if it were missing. */
__declspec(dllimport) int MissingDependencyCall(void);

__declspec(dllexport) int UseMissingDependency(void) { return MissingDependencyCall(); }
