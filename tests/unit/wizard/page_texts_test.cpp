#include "wizard/page_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

TEST(TextAlignment, CentresInTheBandWithHalvesToEven) {
  EXPECT_EQ(AlignedTextX(120, kCentredIn325, 125), 220);
  EXPECT_EQ(AlignedTextX(120, kCentredIn325, 124), 220);  // 220.5 goes to the even 220
  EXPECT_EQ(AlignedTextX(120, kCentredIn325, 122), 222);  // 221.5 goes to the even 222
  EXPECT_EQ(AlignedTextX(121, kCentredIn325, 124), 222);  // the whole x is rounded
  EXPECT_EQ(AlignedTextX(120, kCentredIn325, 325), 120);
}

TEST(TextAlignment, WideTextsStartLeftOfTheBand) {
  EXPECT_LT(AlignedTextX(120, kCentredIn325, 400), 120);
  EXPECT_EQ(AlignedTextX(120, kCentredIn325, 401), 82);  // 82.0 exactly
}

TEST(TextAlignment, RightAlignsAbove10000AndKeepsXOtherwise) {
  EXPECT_EQ(AlignedTextX(10, 10300, 50), 260);  // right edge at 10 + 300
  EXPECT_EQ(AlignedTextX(10, 10001, 1), 10);
  EXPECT_EQ(AlignedTextX(10, 10000, 50), 10 + 4975);  // 10000 still centres
  EXPECT_EQ(AlignedTextX(37, kNoAlignment, 500), 37);
  EXPECT_EQ(AlignedTextX(37, -5, 500), 37);
}

TEST(ScaledTextPlace, FactorsOfOneKeepEveryTextOfEveryPageWhereItWas) {
  for (int32_t page = 0; page <= 6; ++page) {
    for (bool extractOnly : {false, true}) {
      const auto plan = PlanForPage(page, false, extractOnly);
      ASSERT_TRUE(plan);
      for (const PageText& row : plan->texts) {
        const TextPlace place = ScaledTextPlace(row, 1.0f, 1.0f);
        EXPECT_EQ(place.x, row.x);
        EXPECT_EQ(place.y, row.y);
        EXPECT_EQ(place.alignWidth, row.alignWidth);
      }
    }
  }
}

TEST(ScaledTextPlace, PositionsAndAlignmentWidthsGrowLikeTheFrames) {
  const PageText title{120, 64, TextSource::TitleText, nullptr,      "宋体",
                       18,  1,  TextColour::Blue,      kCentredIn325};
  const TextPlace at125 = ScaledTextPlace(title, 1.25f, 1.25f);
  EXPECT_EQ(at125.x, 150);
  EXPECT_EQ(at125.y, 80);
  EXPECT_EQ(at125.alignWidth, 406);  // 406.25
  const PageText name{145, 218, TextSource::Fixed, "Orvane软件", "宋体",
                      16,  700, TextColour::Green};
  const TextPlace at150 = ScaledTextPlace(name, 1.5f, 1.5f);
  EXPECT_EQ(at150.x, 218);  // 217.5 goes to the even neighbour
  EXPECT_EQ(at150.y, 327);
  EXPECT_EQ(at150.alignWidth, kNoAlignment);
  // Each axis has its own factor; right alignment keeps its 10000 mark.
  PageText right = name;
  right.alignWidth = 10100;
  const TextPlace uneven = ScaledTextPlace(right, 2.0f, 1.25f);
  EXPECT_EQ(uneven.x, 290);
  EXPECT_EQ(uneven.y, 272);  // 272.5
  EXPECT_EQ(uneven.alignWidth, 10200);
}

TEST(WizardCaption, JoinsTheFourVersionPartsInDecimal) {
  EXPECT_EQ(WizardCaption({1, 0, 3, 7}), "安装Orvane软件 V1.0.3.7 版");
  EXPECT_EQ(WizardCaption({12, 0, 0, 65535}), "安装Orvane软件 V12.0.0.65535 版");
}

// The colour in effect for each row: the frame leaves black set, a fixed
// colour replaces it, "current" inherits it.
std::vector<std::optional<Rgb>> EffectiveColours(const PagePaintPlan& plan) {
  std::optional<Rgb> inEffect = Rgb{0, 0, 0};
  std::vector<std::optional<Rgb>> colours;
  for (const PageText& row : plan.texts) {
    if (row.colour != TextColour::Current) inEffect = FixedColour(row.colour);
    colours.push_back(inEffect);
  }
  return colours;
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kRed{255, 0, 0};

TEST(PagePlans, CurrentRowsInheritTheColourBeforeThem) {
  const auto welcome = EffectiveColours(*PlanForPage(1, false, false));
  EXPECT_EQ(welcome[0], kBlack);  // the first row is drawn in the canvas's black
  EXPECT_EQ(welcome[4], kBlack);  // black is set again before "单击 【下一步(&H)】 继续。"
  EXPECT_EQ(welcome[5], kBlack);  // and inherited by the next line
  EXPECT_EQ(welcome[6], kBlue);

  const auto finish = EffectiveColours(*PlanForPage(4, false, false));
  EXPECT_EQ(finish[0], kBlack);
  EXPECT_EQ(finish[1], kBlack);
  EXPECT_EQ(finish[2], kRed);

  const auto upToDate = EffectiveColours(*PlanForPage(5, false, false));
  EXPECT_EQ(upToDate[5], kBlack);

  const auto installing = EffectiveColours(*PlanForPage(3, false, false));
  ASSERT_EQ(installing.size(), 1u);
  EXPECT_EQ(installing[0], kBlack);
}

TEST(PagePlans, WelcomeShowsTheGameTextsOnlyWhenTheGameIsRequired) {
  const auto normal = PlanForPage(1, false, false)->texts;
  const auto game = PlanForPage(1, true, false)->texts;
  ASSERT_EQ(normal.size(), game.size());
  EXPECT_EQ(std::string(game[0].text), "必须安装Orvane专用游戏才可正常使用软件。");
  EXPECT_EQ(std::string(game[1].text), "需要安装Orvane专用游戏...");
  EXPECT_EQ(std::string(normal[0].text), "欢迎您使用Orvane软件，即将安装以下软件。");
  EXPECT_EQ(std::string(normal[1].text), "欢迎安装Orvane工作室制作的软件");
  for (size_t i = 2; i < normal.size(); ++i) {
    EXPECT_EQ(normal[i].x, game[i].x);
    EXPECT_EQ(normal[i].y, game[i].y);
    EXPECT_EQ(normal[i].source, game[i].source);
  }
}

TEST(PagePlans, FinishShowsTheCheckBoxesOnlyOutsideExtractOnlyMode) {
  EXPECT_TRUE(PlanForPage(4, false, false)->controls.checkBoxes);
  EXPECT_FALSE(PlanForPage(4, false, true)->controls.checkBoxes);
  EXPECT_EQ(std::string(PlanForPage(4, false, true)->texts[3].text),
            "已经完成安装工作，点击完成退出。");
  for (int page = 0; page <= 6; ++page) {
    if (page != 4) {
      EXPECT_FALSE(PlanForPage(page, false, false)->controls.checkBoxes) << page;
    }
  }
}

TEST(PagePlans, EveryPageShowsCancelAndOnlyTheFolderPageItsBrowser) {
  for (int page = 0; page <= 6; ++page) {
    const ControlVisibility c = PlanForPage(page, false, false)->controls;
    EXPECT_TRUE(c.cancel) << page;
    EXPECT_EQ(c.browse, page == 2) << page;
    EXPECT_EQ(c.edit, page == 2) << page;
    EXPECT_EQ(c.group, page == 2) << page;
    EXPECT_EQ(c.progressBar, page == 0 || page == 3) << page;
    EXPECT_EQ(c.progressLabel, page == 0 || page == 3) << page;
    // Next and Back exist exactly where the page flow gives them work.
    EXPECT_EQ(c.next, page >= 1 && page <= 4) << page;
    EXPECT_EQ(c.back, page >= 2 && page <= 4) << page;
  }
}

TEST(PagePlans, FramesAndCancelCaption) {
  for (int page : {1, 5, 6})
    EXPECT_EQ(PlanForPage(page, false, false)->frame, PageFrame::SideBanner);
  for (int page : {0, 2, 3, 4})
    EXPECT_EQ(PlanForPage(page, false, false)->frame, PageFrame::TopBanner);
  EXPECT_STREQ(PlanForPage(5, false, false)->cancelCaption, "完成");
  for (int page : {0, 1, 2, 3, 4, 6})
    EXPECT_EQ(PlanForPage(page, false, false)->cancelCaption, nullptr);
  EXPECT_TRUE(PlanForPage(0, false, false)->texts.empty());
}

TEST(PagePlans, ValuesOutsideThePagesHaveNoPlan) {
  EXPECT_FALSE(PlanForPage(-1, false, false));
  EXPECT_FALSE(PlanForPage(7, true, true));
}

TEST(PagePlans, SideBannerPagesCentreTheTitlePairIn325From120) {
  for (int page : {1, 5, 6}) {
    int centred = 0;
    const PagePaintPlan plan = *PlanForPage(page, false, false);
    for (const PageText& row : plan.texts) {
      if (row.source == TextSource::TitleText || row.source == TextSource::VersionText) {
        EXPECT_EQ(row.x, 120);
        EXPECT_EQ(row.alignWidth, kCentredIn325);
        EXPECT_EQ(row.colour, TextColour::Blue);
        ++centred;
      }
    }
    EXPECT_EQ(centred, 2) << page;
  }
}

TEST(TopBannerFrame, WebAddressThenBlackHeadingThenSubheading) {
  const auto rows = TopBannerFrameTexts();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].source, TextSource::WebAddress);
  EXPECT_EQ(rows[0].colour, TextColour::Grey);
  EXPECT_EQ(rows[1].source, TextSource::PageHeading);
  EXPECT_EQ(rows[1].colour, TextColour::Black);
  EXPECT_EQ(rows[1].weight, 700);
  EXPECT_EQ(rows[2].source, TextSource::PageSubheading);
  EXPECT_EQ(rows[2].colour, TextColour::Current);
}

}  // namespace
}  // namespace orvane
