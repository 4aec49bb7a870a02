// Query reading of the update server: URL decoding, parameters, request kinds, stamp date and time.
#include <gtest/gtest.h>

#include <string>

#include "protocol/url_query.h"
#include "runtime/errcode.h"
#include "server/query.h"

using namespace rt;

TEST(ServerUrlDecodeTest, Table) {
    struct Case { std::string in, want; };
    const Case cases[] = {
        {"plain", "plain"},
        {"a%20b", "a b"},
        {"%41%62%7e", "Ab~"},
        {"%2F%2f", "//"},
        {"a+b", "a+b"},            // the updater does not encode, so '+' is a plus
        {"100%", "100%"},          // a '%' at the end stays
        {"100%.txt", "100%.txt"},  // no hex digits after it
        {"%4", "%4"},
        {"%G1", "%G1"},
        {"%%41", "%A"},
        {"%00x", std::string("\0x", 2)},
        {"%ff", "\xff"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(UrlDecode(c.in), c.want) << c.in;
}

TEST(ServerQueryParamTest, Table) {
    struct Case { const char* query; const char* name; bool found; const char* want; };
    const Case cases[] = {
        {"view=12&user=ana&path=app", "user", true, "ana"},
        {"view=12&user=ana&path=app", "path", true, "app"},
        {"view=12&user=ana&path=app", "passw", false, ""},
        {"path=a/b/&downfile=x.txt", "path", true, "a/b/"},
        {"path=one&path=two", "path", true, "one"},  // the first wins
        {"path", "path", true, ""},                  // no '=' is an empty value
        {"path=", "path", true, ""},
        {"xpath=1&path=2", "path", true, "2"},       // names match whole
        {"&&path=%61pp&&", "path", true, "app"},
        {"p%61th=app", "path", true, "app"},         // names are decoded too
        {"downfile=a=b", "downfile", true, "a=b"},
        {"", "path", false, ""},
    };
    for (const Case& c : cases) {
        std::string got;
        EXPECT_EQ(QueryParam(c.query, c.name, &got), c.found) << c.query;
        if (c.found) {
            EXPECT_EQ(got, c.want) << c.query;
        }
    }
}

TEST(ServerStampDateTest, Table) {
    struct Case { const char* in; ErrCode err; int32_t want; };
    const Case cases[] = {
        {"20240131", 0, 20240131}, {"0", 0, 0},          {"", 0, 0},
        {" 20240229 ", 0, 20240229}, {"21000229", 0, 21000229},  // every 4th year is a leap year
        {"20230229", 163, 0},      {"20241301", 163, 0}, {"20240100", 163, 0},
        {"2024-01-31", 163, 0},    {"123456789", 163, 0}, {"-1", 163, 0}, {"abc", 163, 0},
    };
    for (const Case& c : cases) {
        int32_t got = -7;
        EXPECT_EQ(ReadStampDate(c.in, &got), c.err) << c.in;
        if (c.err == 0) {
            EXPECT_EQ(got, c.want) << c.in;
        } else {
            EXPECT_EQ(got, -7) << "untouched on failure: " << c.in;
        }
    }
}

TEST(ServerStampTimeTest, Table) {
    struct Case { const char* in; ErrCode err; int32_t want; };
    const Case cases[] = {
        {"12:34:56", 0, 45296000},     // what the client's stamp writes
        {"45296000", 0, 45296000},     // a plain number of milliseconds
        {"0", 0, 0},                   // a fresh record
        {"", 0, 0},
        {"00:00:00", 0, 0},
        {"23:59:59", 0, 86399000},
        {"1:2:3", 0, 3723000},
        {"12:34:56.789", 0, 45296789},
        {"12:34:56.5", 0, 45296500},
        {"34:56", 0, 2096000},         // two fields: minutes and seconds, as the run-time reads
        {" 12:34:56 ", 0, 45296000},
        {"86399999", 0, 86399999},
        {"86400000", 163, 0},          // a day has no more milliseconds
        {"24:00:00", 163, 0},
        {"12:60:00", 163, 0},
        {"12:00:60", 163, 0},
        {"1:2:3:4", 163, 0},
        {"12::56", 163, 0},
        {"12:34:", 163, 0},
        {"123:00:00", 163, 0},
        {"12:34:56.1234", 163, 0},
        {"12h", 163, 0},
        {"-5", 163, 0},
        {"999999999999", 163, 0},
    };
    for (const Case& c : cases) {
        int32_t got = -7;
        EXPECT_EQ(ReadStampTime(c.in, &got), c.err) << c.in;
        if (c.err == 0) {
            EXPECT_EQ(got, c.want) << c.in;
        }
    }
}

TEST(ServerParseQueryTest, KindsAndValues) {
    ServerQuery q;
    ASSERT_EQ(ParseServerQuery("view=12&user=ana&passw=4k5j&path=app", &q), 0);
    EXPECT_EQ(q.kind, RequestKind::kList);
    EXPECT_TRUE(q.hasUser);
    EXPECT_TRUE(q.hasPassw);
    EXPECT_EQ(q.user, "ana");
    EXPECT_EQ(q.passw, "4k5j");
    EXPECT_EQ(q.path, "app");

    ASSERT_EQ(ParseServerQuery("view=12&path=app&downfile=none&date=20240131&time=12:34:56", &q), 0);
    EXPECT_EQ(q.kind, RequestKind::kStatus);
    EXPECT_FALSE(q.hasUser);
    EXPECT_EQ(q.date, 20240131);
    EXPECT_EQ(q.time, 45296000);

    ASSERT_EQ(ParseServerQuery("view=12&path=app&downfile=none&date=0", &q), 0);
    EXPECT_EQ(q.kind, RequestKind::kStatus) << "a missing time counts as 0";
    EXPECT_EQ(q.time, 0);

    ASSERT_EQ(ParseServerQuery("view=12&path=app/&downfile=sub/my%20file.txt", &q), 0);
    EXPECT_EQ(q.kind, RequestKind::kFile);
    EXPECT_EQ(q.downfile, "sub/my file.txt");

    ASSERT_EQ(ParseServerQuery("view=12&path=app/&downfile=none", &q), 0);
    EXPECT_EQ(q.kind, RequestKind::kFile) << "without a date, \"none\" is a file name";
    EXPECT_EQ(q.downfile, "none");
}

TEST(ServerParseQueryTest, RefusedQueries) {
    const std::string huge = "path=app&user=" + std::string(kMaxQuery, 'a');
    const char* cases[] = {
        "",                                                   // no path
        "view=12&user=ana&passw=x",                           // no path
        "path=app&downfile=none&date=2024-01-31&time=0",      // date not a number
        "path=app&downfile=none&date=20240131&time=25:00:00", // time outside a day
        "path=app&downfile=none&date=20240131&time=%zz",
    };
    ServerQuery q;
    q.user = "kept";
    for (const char* c : cases) EXPECT_EQ(ParseServerQuery(c, &q), kErrBadInput) << c;
    EXPECT_EQ(ParseServerQuery(huge, &q), kErrBadInput);
    EXPECT_EQ(q.user, "kept") << "a refused query leaves the record alone";
    // Exactly at the limit the query is still read.
    std::string atLimit = "path=app&x=";
    atLimit.append(kMaxQuery - atLimit.size(), 'b');
    EXPECT_EQ(ParseServerQuery(atLimit, &q), 0);
}

TEST(ServerQueryForLogTest, CredentialsNeverReachTheLog) {
    struct Case { std::string query; std::string logged; };
    const Case cases[] = {
        {"view=12&user=ana&passw=53532j322l34&path=app", "view=12&user=ana&passw=***&path=app"},
        // Every name the parser reads as passw is masked: an escaped name, a repeated one.
        {"pass%77=53532j322l34&passw=x&path=a", "pass%77=***&passw=***&path=a"},
        {"passw=&path=a", "passw=***&path=a"},
        {"passwd=visible&xpassw=visible", "passwd=visible&xpassw=visible"},
        {"path=a\x01\xff", "path=a??"},
        {"path=" + std::string(300, 'p') + "&passw=secret", "path=" + std::string(195, 'p')},
    };
    for (const Case& c : cases) EXPECT_EQ(QueryForLog(c.query), c.logged) << c.query;
}
