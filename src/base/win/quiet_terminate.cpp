// The C++ runtime's default terminate handler prints the demangled type of
// the uncaught exception to stderr before it aborts. Neither the setup
// program (a GUI program) nor the archiver library has a console to print
// to, and the demangler and printf it pulls in would make up a sixth of
// each file. This definition takes the runtime's place at link time: it
// only aborts, which is what the user saw before as well.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
