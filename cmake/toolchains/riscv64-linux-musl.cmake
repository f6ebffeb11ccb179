# Static 64-bit RISC-V executables against musl, using Debian 12 packages
# only:
#   apt-get install g++-riscv64-linux-gnu qemu-user
#
#   cmake -S . -B build-riscv64 --toolchain cmake/toolchains/riscv64-linux-musl.cmake
#
# For 64-bit RISC-V boards and routers: RV64GC, the lp64d hard-float ABI, the
# profile every RISC-V Linux distribution targets (Debian's compiler default,
# pinned here so that a changed default cannot slip in extensions), not
# position-independent, as the static executable is not. Debian 12 does not
# release riscv64, so it has no musl for it: musl 1.2.3 is built from
# Debian's source package with the same compiler and flags, once per machine
# (see musl-common.cmake and build-musl.sh). Tests run through qemu-riscv64,
# on the model it picks when none is named ("any": RV64GC and the extensions
# it implements) and on a SiFive U54 (RV64GC alone).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR riscv64)

set(CMAKE_C_COMPILER riscv64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER riscv64-linux-gnu-g++)

set(VEXMOL_MUSL_TARGET riscv64-linux-musl)
set(VEXMOL_MUSL_DEB_ARCH riscv64)
set(_vexmol_compiler_package g++-riscv64-linux-gnu)
set(_vexmol_target_flags -march=rv64gc -mabi=lp64d -fno-pie)
set(_vexmol_musl_from_source TRUE)
set(_vexmol_default_page_size 4096)
set(_vexmol_qemu qemu-riscv64)
set(_vexmol_default_cpus "any;sifive-u54")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")
