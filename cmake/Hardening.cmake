# Hardening for the code that runs with a privilege (tarvelo-priv) and the
# libraries linked into it: position-independent, with stack canaries, libc
# calls checked against the size of their buffers where the compiler
# optimises, and a relocation table that the loader fills at start and then
# makes read-only (full RELRO: -z relro -z now).
include(CheckPIESupported)
# Without this check CMake does not pass -pie when linking.
check_pie_supported(LANGUAGES CXX)

# The checked libc calls need optimisation; under the sanitizers, which bring
# checks of their own that do not mix with them, they stay out.
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  set(TARVELO_FORTIFY 0)
else()
  set(TARVELO_FORTIFY "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
endif()

# tarvelo_harden(TARGET): an executable, or a static library linked into one.
function(tarvelo_harden target)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()
  set_property(TARGET ${target} PROPERTY POSITION_INDEPENDENT_CODE ON)
  target_compile_options(${target} PRIVATE -fstack-protector-strong)
  target_compile_definitions(${target} PRIVATE $<${TARVELO_FORTIFY}:_FORTIFY_SOURCE=2>)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
  endif()
endfunction()
