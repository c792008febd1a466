# The portable core and its unit tests as 32-bit Linux code (Debian's
# g++-multilib): static executables, which qemu-i386 runs on a kernel that
# runs no 32-bit code itself. Without sanitizers: they have no 32-bit static
# runtime.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
set(LARKMOOR_SANITIZE OFF CACHE BOOL "" FORCE)
