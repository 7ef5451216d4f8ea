# Debian's hardening flags, as dpkg-buildflags gives them to every package:
# PIE, fortified functions, stack protection, read-only relocations bound
# at load (relro, bindnow). The default preset turns this on, so `make run`,
# `make test` and `make package` build and test what the package ships; the
# sanitizer and fuzz builds leave it off (their own instrumentation and
# clang). Only the hardening features are taken, not the build's -O and -g
# or the path mapping of reproducible builds (tests find their data by
# __FILE__).
option(CORVALE_HARDENING "Build with Debian's hardening flags from dpkg-buildflags" OFF)
if(CORVALE_HARDENING AND (CORVALE_SANITIZE OR CORVALE_FUZZ))
  message(STATUS "CORVALE_HARDENING is left off with the sanitizers or the fuzzers")
elseif(CORVALE_HARDENING)
  find_program(CORVALE_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  set(_env "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
           "DEB_CXXFLAGS_MAINT_STRIP=-O2 -g")
  foreach(_kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${_env} ${CORVALE_DPKG_BUILDFLAGS} --get ${_kind}
                    OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(_flags UNIX_COMMAND "${_flags}")
    set(CORVALE_HARDENING_${_kind} ${_flags})
  endforeach()
  add_compile_options(${CORVALE_HARDENING_CPPFLAGS} ${CORVALE_HARDENING_CXXFLAGS})
  add_link_options(${CORVALE_HARDENING_LDFLAGS})
  set(CORVALE_HARDENED TRUE)
  message(STATUS "Hardening: ${CORVALE_HARDENING_CPPFLAGS} ${CORVALE_HARDENING_CXXFLAGS} ${CORVALE_HARDENING_LDFLAGS}")
endif()
