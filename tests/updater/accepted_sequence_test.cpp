// Accepted sequences: one count per key and folder for every spelling of a source and old lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "updater/accepted_sequence.h"

using namespace rt;

const std::string kA(32, 'a'), kB(32, 'b');
const std::string kHead = std::string(kSequenceFileMagic) + "\r\n";

TEST(AcceptedSequence, EverySpellingOfASourceMeetsTheHighestCountOfItsFolder) {
    const struct { std::string file; const char* source; uint64_t want; } rows[] = {
        {"100 http://127.0.0.1:8080/shop/app\r\n", "http://localhost:8080/Shop/app/", 100},  // a line of before
        {"100 http://h/cgi-bin/updater?user=x&path=shop%2fapp\r\n", "\\\\srv\\pub\\shop\\app", 100},
        {"100 z:\\root\\shop\\app\r\n", "Z:/root/tools/../shop/./app", 100},
        {"100 http://h/shop/app\r\n", "http://h/tools/app", 0},
        {kHead + "100 * http://h/shop/app\r\n", "http://h/shop/app", 0},  // not read as a source
        {"5 http://h/app\r\n" + kHead + "9 " + kA + " app\r\n", "http://h/app", 5},  // the mark only first
        {kHead + "7 " + kA + " app\r\n9 " + kB + " app\r\n", "http://h:1/shop/APP", 9},
        {kHead + "7 " + kA + " app\r\n9 " + std::string(32, 'c') + " app\r\n", "http://h/shop/app", 7},
        {kHead + "7 " + kA + " shop\\app\r\n8 " + kA + " app\r\n", "http://h/x/shop/app", 8},
        {kHead + "7 " + kA + " shop\\app\r\n", "http://h/xshop/app", 0},
        {kHead + "7 " + kA + " shop\\app\r\n", "http://h/app", 0},
        {kHead + "7 " + kA.substr(1) + " app\r\n", "http://h/app", 0},
        {kHead + "999999999999999999 " + kA + " app\r\n", "http://h/app", 999999999999999999u},
        {kHead + "1000000000000000000 " + kA + " app\r\n", "http://h/app", 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(HighestAccepted(ReadAcceptedSequences(r.file), {kA, kB}, SourcePath(r.source)), r.want)
            << r.file << r.source;
}

TEST(AcceptedSequence, KeepingOneReplacesOnlyItsKeyAndFolder) {
    std::string text = SequenceFileText(ReadAcceptedSequences("5 http://h/shop/app\r\n"), {8, kA, "Shop/App"});
    EXPECT_EQ(text, kHead + "8 " + kA + " shop\\app\r\n5 * shop\\app\r\n");
    text = SequenceFileText(ReadAcceptedSequences(text), {9, kA, "shop\\app"});
    EXPECT_EQ(text, kHead + "9 " + kA + " shop\\app\r\n5 * shop\\app\r\n");
    const std::vector<AcceptedSequence> many(kMaxSequenceFile / 30, {1, kB, "x"});
    text = SequenceFileText(many, {2, kA, "app"});
    EXPECT_LE(text.size(), kMaxSequenceFile);
    EXPECT_EQ(text.find("2 " + kA + " app\r\n1 "), kHead.size());
}
