#include "startup/startup_decision.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(StartupDecision, PlainZfFormAsksForTheSilentCheck) {
  auto request = ParseSilentCheckRequest("zf123,3.2.1.5");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->product, 123);
  EXPECT_EQ(request->version, "3.2.1.5");

  request = ParseSilentCheckRequest("zf11,1");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->product, 11);
  request = ParseSilentCheckRequest("zf998,1");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->product, 998);
}

TEST(StartupDecision, EmptyVersionAfterTheCommaStillChecks) {
  auto request = ParseSilentCheckRequest("zf123,");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->version, "");
}

TEST(StartupDecision, OnlyTheFirstCommaSplits) {
  auto request = ParseSilentCheckRequest("zf123,1.0,x");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->version, "1.0,x");
}

TEST(StartupDecision, EveryOtherFormOpensTheWizard) {
  EXPECT_FALSE(ParseSilentCheckRequest(""));
  EXPECT_FALSE(ParseSilentCheckRequest("zf5,1.0"));  // N outside 11..998
  EXPECT_FALSE(ParseSilentCheckRequest("zf10,1.0"));
  EXPECT_FALSE(ParseSilentCheckRequest("zf999,1.0"));
  EXPECT_FALSE(ParseSilentCheckRequest("zf123"));      // no comma
  EXPECT_FALSE(ParseSilentCheckRequest("ZF123,1.0"));  // case matters
  EXPECT_FALSE(ParseSilentCheckRequest("Zf123,1.0"));
  EXPECT_FALSE(ParseSilentCheckRequest("zf012,1.0"));   // leading zero
  EXPECT_FALSE(ParseSilentCheckRequest("zf12.0,1.0"));  // fraction
  EXPECT_FALSE(ParseSilentCheckRequest("zf+12,1.0"));   // sign
  EXPECT_FALSE(ParseSilentCheckRequest("zf 12,1.0"));   // blank
  EXPECT_FALSE(ParseSilentCheckRequest("zf12x,1.0"));
  EXPECT_FALSE(ParseSilentCheckRequest("yf123,1.0"));
  EXPECT_FALSE(ParseSilentCheckRequest("zf,"));       // too short
  EXPECT_FALSE(ParseSilentCheckRequest("zf1,"));      // length 4 but N = 1
  EXPECT_FALSE(ParseSilentCheckRequest("zf12.5,1"));  // rounds to 12, text differs
}

}  // namespace
}  // namespace orvane
