# Exploit mitigations for every binary the project builds. tests/security checks
# that the shipped library really carries them, so that a build change cannot drop
# one silently.
if(MINGW)
  # Address space randomisation and no-execute data. Current binutils set both by
  # default; asking for them keeps that true with older linkers as well.
  add_link_options(-Wl,--dynamicbase -Wl,--nxcompat)
  # The stack protector's runtime (libssp) comes in statically with the -static
  # link of ProjectOptions.cmake, so the DLL still needs only system DLLs.
  add_compile_options(-fstack-protector-strong)
  add_link_options(-fstack-protector-strong)
elseif(UNIX)
  add_compile_options(-fstack-protector-strong)
  # Full RELRO: relocations resolved at load time, then their pages read-only.
  # No executable stack, whatever an object file asks for.
  add_link_options(-Wl,-z,relro,-z,now -Wl,-z,noexecstack)
  # Checked variants of the string and memory functions. They need optimisation
  # (at -O0 the compiler warns, which -Werror turns into a failure) and would hide
  # calls from the sanitizers' own checks, so optimised unsanitized builds only.
  if(NOT ORVANE_SANITIZE)
    add_compile_options(
      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  endif()
endif()
