// The page's address: what it asks for, and the clear refusals a bad one gets before anything
// is fetched or run.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "programs/web/page_query.h"

namespace {

using webpage::PageRequest;
using webpage::ParsePageQuery;

TEST(WebPageQuery, ReplayAddressesBecomeTheHarnessCommandLine)
{
    PageRequest r;
    std::string error;
    ASSERT_TRUE(ParsePageQuery("", &r, &error));
    EXPECT_FALSE(r.replay);
    ASSERT_TRUE(ParsePageQuery("?", &r, &error));
    EXPECT_FALSE(r.replay);

    ASSERT_TRUE(ParsePageQuery("?replay=tests/data/cross/drive%20fire.keys&frames=300&frame-time=0.02&uncapped=1"
                               "&shot=1,150,300",
                               &r, &error))
        << error;
    EXPECT_TRUE(r.replay);
    EXPECT_EQ(r.keysUrl, "tests/data/cross/drive fire.keys");
    EXPECT_EQ(r.options, (std::vector<std::string>{"--frames", "300", "--frame-time", "0.02", "--uncapped"}));
    EXPECT_EQ(r.shots, (std::vector<long long>{1, 150, 300}));

    ASSERT_TRUE(ParsePageQuery("?record=1", &r, &error)) << error;
    EXPECT_TRUE(r.record);
    EXPECT_FALSE(r.replay);

    // Order does not matter, uncapped=0 is the default, and a '+' is a space.
    ASSERT_TRUE(ParsePageQuery("uncapped=0&replay=a+b.keys", &r, &error)) << error;
    EXPECT_EQ(r.keysUrl, "a b.keys");
    EXPECT_TRUE(r.options.empty());

    // A packed model to delete first, for the game or a replay.
    ASSERT_TRUE(ParsePageQuery("?drop=Models/tank0.x", &r, &error)) << error;
    EXPECT_EQ(r.drop, "Models/tank0.x");
    EXPECT_FALSE(r.replay);
    ASSERT_TRUE(ParsePageQuery("?drop=Models/fontN.dds&replay=a.keys&frames=5", &r, &error)) << error;
    EXPECT_EQ(r.drop, "Models/fontN.dds");
    EXPECT_TRUE(r.replay);

    // A font's atlas, face and size together, in either order.
    ASSERT_TRUE(ParsePageQuery("?atlas=Arial&points=14", &r, &error)) << error;
    EXPECT_EQ(r.atlasFace, "Arial");
    EXPECT_EQ(r.atlasPoints, 14);
    EXPECT_FALSE(r.replay);
    ASSERT_TRUE(ParsePageQuery("points=1000&atlas=Times+New+Roman", &r, &error)) << error;
    EXPECT_EQ(r.atlasFace, "Times New Roman");
    EXPECT_EQ(r.atlasPoints, 1000);
    ASSERT_TRUE(ParsePageQuery("?replay=a.keys", &r, &error)) << error;
    EXPECT_TRUE(r.atlasFace.empty());
    EXPECT_EQ(r.atlasPoints, 0);
}

TEST(WebPageQuery, BadAddressesAreRefusedWithAReason)
{
    const char* bad[] = {
        "?frames=10",                         // nothing to replay
        "?bogus=1",                           // unknown
        "?replay=a.keys&replay=b.keys",       // twice
        "?replay=",                           // no script
        "?replay=http://example.org/a.keys",  // from elsewhere
        "?replay=//example.org/a.keys",
        "?replay=data:text/plain,1%20W",
        "?replay=a.keys&uncapped=yes",
        "?replay=a.keys&shot=0",
        "?replay=a.keys&shot=1,,2",
        "?replay=a.keys&shot=2,",
        "?replay=a.keys&shot=-1",
        "?replay=a.keys&shot=99999999999999",
        "?replay=a%2.keys",                   // broken escape
        "?replay=a.keys%",
        "?drop=tank0.x",                      // not in Models/
        "?drop=Models/",
        "?drop=Models/../quorvel.data",
        "?drop=Models/..",
        "?record=yes",
        "?record=1&replay=a.keys",            // a replay is recorded already
        "?atlas=Arial",                       // no size
        "?points=14",                         // no face
        "?atlas=&points=14",
        "?atlas=Arial&points=0",
        "?atlas=Arial&points=1001",
        "?atlas=Arial&points=14.5",
        "?atlas=Arial&points=+14",
        "?atlas=Arial&points=99999999999",
        "?atlas=%0Aatlas+Arial&points=14",    // a face that would forge a console line
        "?atlas=ABCDEFGHIJKLMNOPQRSTUVWXYZ789012&points=14",  // longer than GDI's 31
        "?atlas=Arial&points=14&replay=a.keys",  // an atlas is all the page does then
        "?atlas=Arial&points=14&record=1",
        "?atlas=Arial&points=14&record=0",
        "?atlas=Arial&points=14&drop=Models/tank0.x",
        "?atlas=Arial&points=14&frames=5",
    };
    for (const char* query : bad) {
        PageRequest r;
        std::string error;
        EXPECT_FALSE(ParsePageQuery(query, &r, &error)) << query;
        EXPECT_FALSE(error.empty()) << query;
    }
}

// What reaches fetch is a path under the page's own folder, whatever the escapes: the URL parser
// reads a backslash as '/' and drops tabs and line breaks, which turned these into addresses of
// another server.
TEST(WebPageQuery, KeyScriptsAndDroppedFilesAreOnlyPlainPathsBesideThePage)
{
    const std::string bad[] = {
        "replay=%5C%5Cevil.example/a.keys", "replay=/%5Cevil.example/a.keys", "replay=/%09/evil.example/a.keys",
        "replay=%2F%2Fevil.example/a.keys", "replay=/a.keys", "replay=a//b.keys", "replay=a/", "replay=a/../b.keys",
        "replay=..", "replay=./a.keys", "replay=a%00.keys", "replay=a%0A.keys", "replay=a%7F.keys",
        "replay=a%25.keys", "replay=a%3Fb.keys", "replay=a%23b.keys", "replay=evil.example%5Ca.keys",
        "replay=a%C3%A9.keys", "replay=" + std::string(201, 'a'),
        "drop=Models/..%00", "drop=Models/a%0Ab", "drop=Models/a%5Cb", "drop=Models/a/b", "drop=Models/.",
        "drop=models/tank0.x", "drop=Models/%2E%2E",
    };
    for (const std::string& query : bad) {
        PageRequest r;
        std::string error;
        EXPECT_FALSE(ParsePageQuery(query, &r, &error)) << query;
        EXPECT_EQ(error.find_first_of(std::string("\0\t\n\r", 4)), std::string::npos) << query << ": " << error;
    }
    PageRequest r;
    std::string error;
    ASSERT_TRUE(ParsePageQuery("replay=tests/cross/a_b-c.1.keys", &r, &error)) << error;
    ASSERT_TRUE(ParsePageQuery("replay=tests%2Fcross%2Fdrive-fire.keys", &r, &error)) << error;
    EXPECT_EQ(r.keysUrl, "tests/cross/drive-fire.keys");
    ASSERT_TRUE(ParsePageQuery("replay=" + std::string(200, 'a'), &r, &error)) << error;

    // A refusal names the bytes it refused without writing them.
    ASSERT_FALSE(ParsePageQuery("?atlas=%0Aatlas+Arial&points=14", &r, &error));
    EXPECT_NE(error.find("\"\\x0Aatlas Arial\""), std::string::npos) << error;
}

// A replay is bounded in its frames and its shots; the bounds themselves are taken.
TEST(WebPageQuery, ReplaysAreBoundedInFramesAndShots)
{
    PageRequest r;
    std::string error;
    ASSERT_TRUE(ParsePageQuery("replay=a.keys&frames=" + std::to_string(webpage::kMostReplayFrames), &r, &error))
        << error;
    for (const char* frames : {"0", "-5", "1e3", "", "1000001", "99999999999999"}) {
        EXPECT_FALSE(ParsePageQuery(std::string("replay=a.keys&frames=") + frames, &r, &error)) << frames;
        EXPECT_NE(error.find("1000000"), std::string::npos) << error;
    }
    std::string shots = "1";
    for (size_t i = 2; i <= webpage::kMostShots; ++i) shots += "," + std::to_string(i);
    ASSERT_TRUE(ParsePageQuery("replay=a.keys&shot=" + shots, &r, &error)) << error;
    EXPECT_EQ(r.shots.size(), webpage::kMostShots);
    EXPECT_FALSE(ParsePageQuery("replay=a.keys&shot=" + shots + ",7", &r, &error));
}

// The game draws at the canvas's device pixels unless told otherwise; a replay keeps the
// harness's scale 1 (its shots stay 640 x 480) and takes the two as the harness's options.
TEST(WebPageQuery, RenderScaleAndSamplesReachTheGameAndTheReplay)
{
    PageRequest r;
    std::string error;
    ASSERT_TRUE(ParsePageQuery("", &r, &error));
    EXPECT_EQ(r.renderScale, 0.0f);
    EXPECT_EQ(r.samples, 0);
    ASSERT_TRUE(ParsePageQuery("?render-scale=3&msaa=4", &r, &error)) << error;
    EXPECT_EQ(r.renderScale, 3.0f);
    EXPECT_EQ(r.samples, 4);
    ASSERT_TRUE(ParsePageQuery("?record=1&render-scale=auto&msaa=8", &r, &error)) << error;
    EXPECT_EQ(r.renderScale, 0.0f);
    EXPECT_EQ(r.samples, 8);

    ASSERT_TRUE(ParsePageQuery("?replay=a.keys&frames=5", &r, &error)) << error;
    EXPECT_EQ(r.options, (std::vector<std::string>{"--frames", "5"}));
    ASSERT_TRUE(ParsePageQuery("?render-scale=2&replay=a.keys&msaa=2", &r, &error)) << error;
    EXPECT_EQ(r.options, (std::vector<std::string>{"--render-scale", "2", "--msaa", "2"}));

    // A refusal names the parameter and what it takes.
    const std::pair<const char*, const char*> bad[] = {
        {"render-scale=0", "render-scale takes auto, 1, 2, 3 or 4"}, {"render-scale=5", "render-scale"},
        {"render-scale=1.5", "render-scale"}, {"render-scale=", "render-scale"}, {"render-scale=Auto", "render-scale"},
        {"render-scale=22", "render-scale"}, {"render-scale=2&render-scale=2", "twice"},
        {"msaa=1", "msaa takes 2, 4 or 8"}, {"msaa=16", "msaa"}, {"msaa=0", "msaa"}, {"msaa=", "msaa"},
        {"msaa=4x", "msaa"}, {"atlas=Arial&points=14&render-scale=2", "atlas"}, {"atlas=Arial&points=14&msaa=2", "atlas"},
    };
    for (const auto& [query, says] : bad) {
        EXPECT_FALSE(ParsePageQuery(query, &r, &error)) << query;
        EXPECT_NE(error.find(says), std::string::npos) << query << ": " << error;
    }
}

}  // namespace
