// The faults the download worker must come through against the fault
// server, whatever socket layer it runs on: one table that the native and
// the Winsock tests both run, and the random mixes of the long fault run.
// The verdict is always the same: the file holds exactly what the server
// meant to send, or there is no file.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fault_content.h"
#include "net/http_worker.h"

namespace orvane::testing {

inline constexpr int64_t kNoFile = -1;

struct FaultCase {
  const char* name;
  std::string target;  // path and query on the fault server
  uint32_t seed;
  // Bytes of FaultContent(seed) the file must hold, or kNoFile.
  int64_t fileBytes;
  // Requests the server must see for the target; 0 leaves it unchecked.
  int requests = 0;
  // A short receive timeout for the cases that wait for one.
  int receiveTimeoutMs = 0;
  // What the file holds under Wine, where it differs: Wine 8 reports a
  // reset that follows delivered data as a normal close (recv gives 0,
  // SO_ERROR and the FD_CLOSE error code are 0), where Windows and Linux
  // report WSAECONNRESET and ECONNRESET.
  std::optional<int64_t> wineFileBytes = std::nullopt;
};

inline std::vector<FaultCase> DownloadFaultTable() {
  const int bound = 1 + DownloadLimits{}.maxReconnects;
  std::string everyTime;
  for (int i = 0; i < bound; ++i) everyTime += std::to_string(100 * (i + 1)) + ",";
  return {
      {"reset resumes with a Range request", "/data/5000?seed=28&reset=1000", 28, 5000, 2},
      {"a 200 answer to the Range starts again", "/data/5000?seed=3&reset=1000&answer=f", 3, 5000,
       2},
      {"reset in the last bytes", "/data/5000?seed=14&reset=4990", 14, 5000, 2},
      {"clean close short of the length resumes", "/data/5000?seed=5&close=3000", 5, 5000, 2},
      {"clean close one byte short", "/data/5000?seed=15&close=4999", 15, 5000, 2},
      {"clean close before any body", "/data/5000?seed=16&close=0", 16, 5000, 2},
      {"a length of one byte is held to", "/data/1?seed=17&close=0", 17, 1, 2},
      {"short every time fails", "/data/5000?seed=18&close=" + everyTime, 18, kNoFile, bound},
      {"without a length a clean close ends the body", "/data/3000?seed=4&nolength&close=1000", 4,
       1000, 1},
      {"without a length a reset fails", "/data/3000?seed=19&nolength&reset=1000", 19, kNoFile, 1,
       0, 1000},
      {"without a length a silence fails", "/data/3000?seed=20&nolength&stall=1000", 20, kNoFile, 1,
       400},
      {"a silence mid-body resumes", "/data/5000?seed=21&stall=2000", 21, 5000, 2, 400},
      {"header in single bytes", "/data/2000?seed=8&split=1&pause=0", 8, 2000, 1},
      {"dripped body", "/data/3000?seed=22&drip=97&pause=1", 22, 3000, 1},
      {"a server failing after a reset", "/data/5000?seed=23&reset=1000&fail=1", 23, kNoFile,
       bound},
      {"not found", "/status/404", 0, kNoFile, 1},
      {"more bytes than announced", "/data/3000?seed=24&length=2000", 24, kNoFile, 1},
  };
}

// Counts the requests a fault server log holds for `target`.
inline int RequestsIn(const std::string& log, const std::string& target) {
  int count = 0;
  const std::string line = "GET " + target + " ";
  for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
  return count;
}

// The verdict on one download: `fileBytes` of the seed's content, or no
// file and no "ok".
inline void ExpectDownloadVerdict(const DownloadRequest& request, bool fileExists,
                                  const std::string& fileContent, uint32_t seed,
                                  int64_t fileBytes) {
  if (fileBytes == kNoFile) {
    EXPECT_FALSE(fileExists);
    EXPECT_EQ(request.resultText, "");
    return;
  }
  ASSERT_TRUE(fileExists);
  EXPECT_EQ(request.resultText, "ok");
  EXPECT_TRUE(fileContent == FaultContent(seed, static_cast<uint64_t>(fileBytes)))
      << fileContent.size() << " bytes instead of " << fileBytes;
}

// One download of the random fault run: a file with its own mix of faults.
struct FaultMix {
  std::string target;
  uint32_t seed = 0;
  uint64_t size = 0;
  // Whether the mix leaves the server a way to deliver the whole file
  // within the worker's reconnect bound.
  bool deliverable = true;
};

// `run` keeps the targets of different runs apart: the server counts
// connections per target.
inline FaultMix RandomFaultMix(std::mt19937& random, uint32_t run, uint32_t seed) {
  const auto pick = [&](uint64_t low, uint64_t high) {
    return std::uniform_int_distribution<uint64_t>(low, high)(random);
  };
  const auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };

  FaultMix mix;
  mix.seed = seed;
  mix.size = chance(0.05) ? pick(1, 3) : pick(4, 24000);
  // Where connections break: at 0, 1, a few bytes, anywhere, the last 64.
  const auto offset = [&]() -> uint64_t {
    switch (pick(0, 4)) {
      case 0:
        return 0;
      case 1:
        return 1;
      case 2:
        return pick(2, 8);
      case 3:
        return pick(0, mix.size);
      default:
        return mix.size - std::min<uint64_t>(mix.size, pick(1, 64));
    }
  };
  std::string resets;
  std::string closes;
  std::string answers;
  const uint64_t breaks = pick(0, 4);
  for (uint64_t b = 0; b < breaks; ++b) {
    (chance(0.5) ? resets : closes) += std::to_string(offset());
    resets += ",";
    closes += ",";
    answers += chance(0.3) ? 'f' : 'p';
  }
  mix.target = "/data/" + std::to_string(mix.size) + "?run=" + std::to_string(run) +
               "&seed=" + std::to_string(seed) + "&reset=" + resets + "&close=" + closes +
               "&answer=" + answers;
  std::string pause = "&pause=0";
  // A header in a handful of pieces (single bytes are a case of the table).
  if (chance(0.25)) mix.target += "&split=" + std::to_string(pick(8, 40)), pause = "&pause=1";
  if (chance(0.25)) {
    // Five to twenty pieces, so dripped bodies stay quick.
    mix.target += "&drip=" + std::to_string(pick(mix.size / 20 + 1, mix.size / 5 + 1));
    pause = "&pause=1";
  }
  mix.target += pause;
  if (chance(0.08)) {
    const uint64_t from = pick(0, breaks);
    const char* codes[] = {"404", "500", "503"};
    mix.target += "&fail=" + std::to_string(from) + "&failcode=" + codes[pick(0, 2)];
    mix.deliverable = false;
  }
  return mix;
}

// What one download left behind.
struct FaultResult {
  DownloadRequest request;
  bool fileExists = false;
  std::string fileContent;
};

// Fetches a target of the fault server into a file, with these limits.
using FaultDownload =
    std::function<FaultResult(const std::string& target, const DownloadLimits& limits)>;

// Every case of the table; `serverLog` reads the fault server's request log.
inline void RunFaultTable(const FaultDownload& download,
                          const std::function<std::string()>& serverLog, bool underWine) {
  for (const FaultCase& c : DownloadFaultTable()) {
    SCOPED_TRACE(c.name);
    DownloadLimits limits;
    if (c.receiveTimeoutMs) limits.receiveTimeoutMs = c.receiveTimeoutMs;
    const FaultResult r = download(c.target, limits);
    const int64_t bytes = underWine ? c.wineFileBytes.value_or(c.fileBytes) : c.fileBytes;
    ExpectDownloadVerdict(r.request, r.fileExists, r.fileContent, c.seed, bytes);
    if (c.requests) {
      EXPECT_EQ(RequestsIn(serverLog(), c.target), c.requests);
    }
  }
}

// Runs `count` random mixes and prints the count and the seed, so that a
// failing run can be repeated. No file may differ, and a mix the server
// can deliver must arrive whole.
inline void RunRandomFaults(int count, uint32_t seed, const FaultDownload& download) {
  std::printf("random fault run: %d downloads, seed %u\n", count, seed);
  std::mt19937 random(seed);
  int whole = 0;
  int absent = 0;
  int differ = 0;
  for (int i = 0; i < count; ++i) {
    const FaultMix mix = RandomFaultMix(random, seed, static_cast<uint32_t>(i));
    SCOPED_TRACE(mix.target);
    const FaultResult r = download(mix.target, DownloadLimits{});
    if (r.fileExists) {
      ExpectDownloadVerdict(r.request, true, r.fileContent, mix.seed,
                            static_cast<int64_t>(mix.size));
      ++(r.fileContent == FaultContent(mix.seed, mix.size) ? whole : differ);
    } else {
      ExpectDownloadVerdict(r.request, false, r.fileContent, mix.seed, kNoFile);
      // Four breaks stay well inside the reconnect bound.
      EXPECT_FALSE(mix.deliverable) << "a deliverable file was not downloaded";
      ++absent;
    }
    if (::testing::Test::HasFailure()) break;
  }
  std::printf("random fault run: %d whole, %d absent, %d files that differ; seed %u\n", whole,
              absent, differ, seed);
  EXPECT_EQ(differ, 0);
}

// The run's size and seed: ORVANE_FAULT_RUNS and ORVANE_FAULT_SEED, or
// `defaultCount` downloads with a seed drawn now.
inline int FaultRunCount(int defaultCount) {
  const char* text = std::getenv("ORVANE_FAULT_RUNS");
  return text && *text ? std::atoi(text) : defaultCount;
}
inline uint32_t FaultRunSeed() {
  const char* text = std::getenv("ORVANE_FAULT_SEED");
  if (text && *text) return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
  return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace orvane::testing
