# Build constants of the wizard. The defaults are the loopback build used by
# the tests and the demo: three studio hosts on 127.0.0.11-13, port 80, with
# the domain word "0" put in place of the marker at use. A release build
# passes the studio's own names, e.g.
#   -DORVANE_HOST_UPDATE1='update.\\\.com' -DORVANE_DOMAIN_WORD=orvane
set(ORVANE_HOST_UPDATE1 "127.0.\\\\\\.11" CACHE STRING "First update host template")
set(ORVANE_HOST_UPDATE2 "127.0.\\\\\\.12" CACHE STRING "Second update host template")
set(ORVANE_HOST_WEB "127.0.\\\\\\.13" CACHE STRING "Web-site host template")
set(ORVANE_DOMAIN_WORD "0" CACHE STRING "Maker's domain word put into the host templates")
set(ORVANE_CHECK_KEY "37" CACHE STRING "Request check key k of the download address (0 to 63)")
set(ORVANE_WEB_ADDRESS "www.orvane.com" CACHE STRING "Maker's web address painted on the top banner")
# The studio's public keys for checking signed packages and the archiver
# library: 128 hex digits each, several separated by "," while a key is
# rotated. Empty: an unsigned build that checks nothing.
set(ORVANE_PACKAGE_PUBLIC_KEYS "" CACHE STRING "Trusted signing keys (hex, comma-separated)")
if(NOT ORVANE_PACKAGE_PUBLIC_KEYS MATCHES "^( *[0-9a-fA-F]+ *(, *[0-9a-fA-F]+ *)*)?$")
  message(FATAL_ERROR "ORVANE_PACKAGE_PUBLIC_KEYS must be hex keys separated by commas")
endif()

# C string literals: every backslash doubled.
foreach(v ORVANE_HOST_UPDATE1 ORVANE_HOST_UPDATE2 ORVANE_HOST_WEB ORVANE_DOMAIN_WORD ORVANE_CHECK_KEY ORVANE_WEB_ADDRESS ORVANE_PACKAGE_PUBLIC_KEYS)
  string(REPLACE "\\" "\\\\" ${v}_C "${${v}}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_constants.h.in
  ${PROJECT_BINARY_DIR}/generated/build_constants.h @ONLY)
