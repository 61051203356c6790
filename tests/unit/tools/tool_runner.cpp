#include "tool_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace orvane::tools_test {

namespace {

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

ScratchFolder::ScratchFolder() {
  std::random_device device;
  path_ = std::filesystem::temp_directory_path() /
          ("orvane-tools-" + std::to_string(getpid()) + "-" + std::to_string(device()));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  const std::string file = File(name);
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

std::string ScratchFolder::Read(const std::string& name) const {
  std::ifstream file(File(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                const std::string& input) {
  ScratchFolder streams;
  const std::string in = streams.Write("stdin", input);
  std::string command = Quote(program);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " <" + Quote(in) + " >" + Quote(streams.File("stdout")) + " 2>" +
             Quote(streams.File("stderr"));
  const int status = std::system(command.c_str());
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = streams.Read("stdout");
  run.err = streams.Read("stderr");
  return run;
}

}  // namespace orvane::tools_test
