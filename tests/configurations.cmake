# The configurations quovex is built in as its users build it. Each row is a
# test of the full suite (label "configurations") that configures these
# sources afresh in its own folder with the row's compiler, build type,
# variant and CXXFLAGS/LDFLAGS, builds the program and runs its process and
# ELF checks (a Windows image: its image check), all it has, or with SUITE
# its whole quick suite; the configure's line of what it builds must name
# the row's variant, build type and flags. VARIANT "dynamic" is the C library
# build with the static C and C++ libraries hidden in a mount namespace of
# its own (exit 77 where there is none), as on a system that installs none.
# ARCH is this machine's processor, a toolchain of cmake/toolchains/,
# cross-built and run under qemu-user, or TRIPLE-own, a toolchain file of a
# user's own naming mingw-w64's tools alone; a row this machine can neither
# run nor cross-build is disabled.
#
# quovex_configuration(NAME COMPILER BUILD_TYPE VARIANT ARCH FLAGS [SUITE] [IPO])
function(quovex_configuration name compiler build_type variant arch flags)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/configurations/${name})
  set(toolchain ${PROJECT_SOURCE_DIR}/cmake/toolchains/${arch}.cmake)
  if(arch MATCHES "^(.*-w64-mingw32)-own$")
    set(toolchain ${folder}.cmake)
    file(WRITE ${toolchain} "set(CMAKE_SYSTEM_NAME Windows)\nset(CMAKE_CXX_COMPILER ${CMAKE_MATCH_1}-g++)\n"
                            "set(CMAKE_RC_COMPILER ${CMAKE_MATCH_1}-windres)\n")
    set(tools --toolchain=${toolchain})
  elseif(arch MATCHES "^${CMAKE_HOST_SYSTEM_PROCESSOR}(-|$)")
    set(tools -DCMAKE_CXX_COMPILER=${compiler})
  elseif(EXISTS ${toolchain})
    set(tools --toolchain=${toolchain})
  else()
    set(disabled DISABLED ON)
  endif()
  cmake_parse_arguments(PARSE_ARGV 6 row "SUITE;IPO" "" "")
  string(COMPARE EQUAL ${variant} runtime-free runtime_free)
  # What each variant's configure says it links, and how many checks it has.
  set(runtime-free "no runtime" 2)
  set(c-library "the C library, (as a static PIE|statically)" 2)
  set(dynamic "the C library, dynamically: " 1)
  set(windows "KERNEL32 alone" 1)
  list(GET ${variant} 0 links)
  list(GET ${variant} 1 checks)
  if(row_SUITE)
    set(checks "[0-9]+")
  else()
    set(build --build-target quovex)
    set(tests -R "^(process|elf_image|windows_image)$")
  endif()
  if(variant STREQUAL "dynamic")
    set(hide unshare --mount sh -c "for f in libc.a libm.a libstdc++.a libsupc++.a\ndo mount --bind /dev/null \
\"$(${compiler} -print-file-name=$f)\" || exit 77\ndone\nexec \"$@\"" sh)
  endif()
  set(said "${build_type}, C++ flags \"${${flags}_cxxflags}\", link flags \"${${flags}_ldflags}\")")
  string(REGEX REPLACE "[][+.*?()^$|\\]" "\\\\\\0" said "${said}")
  add_test(NAME configuration.${name}
    COMMAND ${hide} ${CMAKE_CTEST_COMMAND} --build-and-test ${PROJECT_SOURCE_DIR} ${folder}
            --build-generator ${CMAKE_GENERATOR} --build-noclean ${build}
            --build-options --fresh ${tools} -DCMAKE_BUILD_TYPE=${build_type}
              -DQUOVEX_REQUIRE_TEST_TOOLS=ON -DQUOVEX_RUNTIME_FREE=${runtime_free}
              -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=${row_IPO}
            --test-command ${CMAKE_CTEST_COMMAND} --test-dir ${folder} --output-on-failure
              --no-tests=error ${tests})
  set_tests_properties(configuration.${name} PROPERTIES LABELS "configurations;full" TIMEOUT 1200
    ENVIRONMENT "CXXFLAGS=${${flags}_cxxflags};LDFLAGS=${${flags}_ldflags}" SKIP_RETURN_CODE 77
    PASS_REGULAR_EXPRESSION "links ${links}[^\n]* \\(build type ${said}\n.*tests passed, 0 tests failed out of ${checks}\n"
    ${disabled})
endfunction()

# Each distribution's default package flags, from its own documentation,
# with its CPPFLAGS in its CXXFLAGS, as debhelper's cmake build puts them.
# Debian 12, amd64 and arm64 alike: `DEB_BUILD_MAINT_OPTIONS=hardening=+all
# dpkg-buildflags`, as dpkg-buildflags(1) of dpkg 1.21 documents them (the
# build folder's file prefix map left out).
set(debian_cxxflags "-g -O2 -fstack-protector-strong -Wformat -Werror=format-security -Wdate-time -D_FORTIFY_SOURCE=2")
set(debian_ldflags "-Wl,-z,relro -Wl,-z,now")

# Ubuntu 24.04, amd64: dpkg-buildflags(1) of Ubuntu's dpkg 1.22, whose
# defaults add optimize=+lto (since 21.04, on amd64, arm64, ppc64el and
# s390x), frame pointers, stack clash protection and -fcf-protection
# (https://wiki.ubuntu.com/ToolChain/CompilerFlags).
set(ubuntu_cxxflags "-g -O2 -fno-omit-frame-pointer -mno-omit-leaf-frame-pointer -flto=auto -ffat-lto-objects -fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security -fcf-protection -Wdate-time -D_FORTIFY_SOURCE=3")
set(ubuntu_ldflags "-Wl,-Bsymbolic-functions -flto=auto -ffat-lto-objects -Wl,-z,relro -Wl,-z,now")

# Fedora 40, x86_64: %{build_cxxflags} and %{build_ldflags}, as
# redhat-rpm-config's buildflags.md documents them, with LTO as Fedora
# builds by default since 33; the -specs files, which exist only on Fedora
# (they add PIE and annotations), left out.
set(fedora_cxxflags "-O2 -flto=auto -ffat-lto-objects -fexceptions -g -grecord-gcc-switches -pipe -Wall -Werror=format-security -Wp,-U_FORTIFY_SOURCE,-D_FORTIFY_SOURCE=3 -Wp,-D_GLIBCXX_ASSERTIONS -fstack-protector-strong -m64 -march=x86-64 -mtune=generic -fasynchronous-unwind-tables -fstack-clash-protection -fcf-protection -fno-omit-frame-pointer -mno-omit-leaf-frame-pointer")
set(fedora_ldflags "-Wl,-z,relro -Wl,--as-needed -Wl,-z,pack-relative-relocs -Wl,-z,now -Wl,--build-id=sha1 -flto=auto -ffat-lto-objects")

# Arch Linux, x86_64: CXXFLAGS, LDFLAGS and LTOFLAGS of makepkg.conf
# (pacman 6.1, devtools' x86_64.conf), with the lto option makepkg builds
# with by default, and the -g of its debug option.
set(arch_cxxflags "-march=x86-64 -mtune=generic -O2 -pipe -fno-plt -fexceptions -Wp,-D_FORTIFY_SOURCE=3 -Wformat -Werror=format-security -fstack-clash-protection -fcf-protection -fno-omit-frame-pointer -mno-omit-leaf-frame-pointer -Wp,-D_GLIBCXX_ASSERTIONS -g -flto=auto")
set(arch_ldflags "-Wl,-O1 -Wl,--sort-common -Wl,--as-needed -Wl,-z,relro -Wl,-z,now -Wl,-z,pack-relative-relocs -flto=auto")

# Every build type with either compiler, and link-time optimisation;
# Release with each is the release and clang presets' own build.
foreach(compiler IN ITEMS g++ clang++)
  string(REGEX REPLACE "^g\\+\\+$" gcc short ${compiler})
  string(REPLACE "++" "" short ${short})
  foreach(build_type IN ITEMS Debug RelWithDebInfo MinSizeRel None)
    string(TOLOWER ${build_type} type)
    quovex_configuration(${short}-${type} ${compiler} ${build_type} runtime-free x86_64 none)
  endforeach()
  quovex_configuration(${short}-ipo ${compiler} Release runtime-free x86_64 none IPO)
endforeach()
# Each distribution's package build, in both variants, with the quick suite
# where it stands for a packager's real build.
quovex_configuration(debian g++ None runtime-free x86_64 debian SUITE)
quovex_configuration(debian-c-library g++ None c-library x86_64 debian SUITE)
quovex_configuration(ubuntu g++ None runtime-free x86_64 ubuntu SUITE)
quovex_configuration(ubuntu-c-library g++ None c-library x86_64 ubuntu SUITE)
quovex_configuration(fedora g++ None runtime-free x86_64 fedora)
quovex_configuration(fedora-c-library g++ None c-library x86_64 fedora)
quovex_configuration(arch g++ None runtime-free x86_64 arch)
quovex_configuration(arch-c-library g++ None c-library x86_64 arch)
# No static C or C++ library, as on Fedora and openSUSE until their static
# packages are installed.
quovex_configuration(no-static-libraries g++ None dynamic x86_64 none)
# 64-bit Arm: a developer's build and Debian's package build; Release is
# the linux-aarch64 preset's.
quovex_configuration(aarch64-debug g++ Debug runtime-free aarch64-linux-gnu none)
quovex_configuration(aarch64-c-library-debug g++ Debug c-library aarch64-linux-gnu none)
quovex_configuration(aarch64-debian g++ None runtime-free aarch64-linux-gnu debian)
quovex_configuration(aarch64-debian-c-library g++ None c-library aarch64-linux-gnu debian)
# Both mingw-w64 images through a user's own toolchain file.
quovex_configuration(windows-x86-own-toolchain g++ MinSizeRel windows i686-w64-mingw32-own none)
quovex_configuration(windows-x64-own-toolchain g++ MinSizeRel windows x86_64-w64-mingw32-own none)
# The C library build where the project has no entry of its own: a
# big-endian architecture and a 32-bit one.
quovex_configuration(s390x-debian g++ None c-library s390x-linux-gnu debian SUITE)
quovex_configuration(armhf-debian g++ None c-library arm-linux-gnueabihf debian SUITE)
