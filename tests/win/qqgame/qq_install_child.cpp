// A wizard process for the tests that close the wizard during the install:
// the install must end the whole process (exit code 0) itself.
//
//   qq-install-child ROOT      ROOT prepared by the test, without its final "\"
//
// Exit code 3 means the install returned instead of ending the process.
#include <windows.h>

#include "qqgame/special_edition_install.h"
#include "win/qqgame/qq_test_support.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  using namespace orvane;
  qq_test::InitWizardEnvironment();
  qq_test::InstallSetup setup;
  setup.root = std::string(argv[1]) + "\\";
  setup.programFolder = setup.root + "wizard\\";
  setup.studioFolder = setup.programFolder + "temp\\Different\\";
  HWND wizard = qq_test::CreateInstallWizard(setup, "欢乐斗地主");
  if (!wizard) return 4;
  InstallSpecialEditionGame();
  return 3;
}
