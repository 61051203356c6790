# Prints the size of a shipped file after the build: cmake -DFILE=... -P
file(SIZE "${FILE}" bytes)
math(EXPR kib "(${bytes} + 1023) / 1024")
get_filename_component(name "${FILE}" NAME)
message(STATUS "size of ${name}: ${kib} KiB (${bytes} bytes)")
