// When the gateway says live quotes stopped, and the words it says it with.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gateway/gateway_limits.h"
#include "gateway/outage_watch.h"

namespace {

ServedQuote answer(bool found, const std::string &outcome) {
    ServedQuote served;
    served.found = found;
    served.outcome = outcome;
    return served;
}

const ServedQuote kQuote = answer(true, "quote");
const ServedQuote kDown = answer(false, "no quote: nasdaq: time-out; yahoo: unreachable");
const ServedQuote kUnknown =
    answer(false, "no quote: nasdaq: unknown symbol; yahoo: unknown symbol");

TEST(OutageWatch, StopsAtTheSecondRequestWithoutAQuoteSinceTheFirst) {
    OutageWatch watch;
    uint64_t since = 0;
    EXPECT_EQ(watch.note(kQuote, 1000), OutageChange::none);
    EXPECT_EQ(watch.note(kDown, 2000), OutageChange::none);
    EXPECT_FALSE(watch.stopped(&since));
    EXPECT_EQ(watch.note(kDown, 3000), OutageChange::stopped);
    EXPECT_EQ(watch.note(kDown, 4000), OutageChange::none);
    ASSERT_TRUE(watch.stopped(&since));
    EXPECT_EQ(since, 2000u);
}

TEST(OutageWatch, AQuoteBetweenFailuresKeepsQuotesFlowing) {
    OutageWatch watch;
    for (uint64_t at = 0; at < 10; ++at) {
        EXPECT_EQ(watch.note(at % 2 == 0 ? kDown : kQuote, at), OutageChange::none);
    }
}

TEST(OutageWatch, UnknownSymbolsAndStoppingNeitherStopNorResumeQuotes) {
    OutageWatch watch;
    EXPECT_EQ(watch.note(kUnknown, 1), OutageChange::none);
    EXPECT_EQ(watch.note(kUnknown, 2), OutageChange::none);
    EXPECT_EQ(watch.note(answer(false, "no quote: stopping"), 3), OutageChange::none);
    EXPECT_EQ(watch.note(kDown, 4), OutageChange::none);
    EXPECT_EQ(watch.note(kUnknown, 5), OutageChange::none);
    EXPECT_EQ(watch.note(kDown, 6), OutageChange::stopped);
    EXPECT_EQ(watch.note(kUnknown, 7), OutageChange::none);
    // One source unknown, the other down: the source is down.
    EXPECT_EQ(outage_evidence(answer(false, "no quote: nasdaq: unknown symbol; yahoo: http 503")),
              OutageEvidence::failure);
}

TEST(OutageWatch, TheNextQuoteBringsQuotesBackOnce) {
    OutageWatch watch;
    watch.note(kDown, 1);
    watch.note(kDown, 2);
    EXPECT_EQ(watch.note(answer(true, "cached"), 3), OutageChange::back);
    EXPECT_EQ(watch.note(kQuote, 4), OutageChange::none);
    uint64_t since = 0;
    EXPECT_FALSE(watch.stopped(&since));
    EXPECT_EQ(watch.note(kDown, 5), OutageChange::none);
}

SourceStatus source(const char *name, SourceState state, const std::string &error = "",
                    const std::string &clock = "") {
    SourceStatus status;
    status.name = name;
    status.state = state;
    status.last_error = error;
    (state == SourceState::resting ? status.resting_until : status.failing_since) = clock;
    return status;
}

TEST(OutageWords, EachSourceInTheStatusPagesWordsThenWhatTheTickerDoes) {
    EXPECT_EQ(outage_tooltip("13:58:07"), "Morvane Quote Gateway: live quotes stopped since 13:58");
    EXPECT_EQ(outage_balloon_text(
                  {source("nasdaq", SourceState::resting, "rate limited (http 429)", "14:05:00"),
                   source("yahoo", SourceState::failing, "unreachable", "13:58:30")}),
              "nasdaq: rate limited (http 429), resting until 14:05; yahoo: unreachable since "
              "13:58. Morvane Quote keeps its last quotes. Click for details.");
    EXPECT_EQ(outage_balloon_text(
                  {source("nasdaq", SourceState::answering), source("yahoo", SourceState::idle)}),
              "nasdaq: answering; yahoo: not asked yet. Morvane Quote keeps its last quotes. "
              "Click for details.");
}

TEST(OutageWords, LongErrorsAreCutToTheBalloonAtASource) {
    const std::string tail = " Morvane Quote keeps its last quotes. Click for details.";
    std::string fits = outage_balloon_text(
        {source("nasdaq", SourceState::failing, std::string(100, 'n'), "13:58:00"),
         source("yahoo", SourceState::failing, std::string(150, 'y'), "13:58:00")});
    EXPECT_EQ(fits, "nasdaq: " + std::string(100, 'n') + " since 13:58..." + tail);
    std::string cut = outage_balloon_text(
        {source("nasdaq", SourceState::failing, std::string(400, 'n'), "13:58:00")});
    EXPECT_EQ(cut.size(), kBalloonTextChars);
    EXPECT_EQ(cut,
              "nasdaq: " + std::string(kBalloonTextChars - tail.size() - 11, 'n') + "..." + tail);
}

}  // namespace
