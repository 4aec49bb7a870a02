// The one rule for showing an address without its password, over every form an address takes.
#include "runtime/url_text.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(CredentialsHiddenTest, EveryPasswordIsMaskedAndEverythingElseStays) {
    struct Case { const char* address; const char* shown; };
    const Case cases[] = {
        {"http://h/cgi-bin/updater?view=12&user=ana&passw=53532j&path=app",
         "http://h/cgi-bin/updater?view=12&user=ana&passw=***&path=app"},
        {"http://ana:s3cret@h:8080/app", "http://ana:***@h:8080/app"},
        {"https://ana:s3@h/u?user=ana&passw=x", "https://ana:***@h/u?user=ana&passw=***"},
        {"http://h/app?path=a&view=12", "http://h/app?path=a&view=12"},
        {"http://ana@h/app", "http://ana@h/app"}, {"\\\\server\\share\\app", "\\\\server\\share\\app"},
        // Names as the server decodes them, in any case; every occurrence.
        {"http://h/u?pass%77=x&%50ASSW=y&PASSW=z&path=a", "http://h/u?pass%77=***&%50ASSW=***&PASSW=***&path=a"},
        {"http://h/u?passw=a&passw=b", "http://h/u?passw=***&passw=***"},
        {"http://h/u?passwd=seen&xpassw=seen&pass=seen", "http://h/u?passwd=seen&xpassw=seen&pass=seen"},
        // A password holding '&', '@', '?' or ':' is hidden whole, wherever it stands.
        {"http://h/u?passw=a&b?c@d&path=x", "http://h/u?passw=***&path=x"},
        {"http://h/u?passw=a&b", "http://h/u?passw=***"},
        {"http://ana:p@s?s:w@h/app?x=1", "http://ana:***@h/app?x=1"},
        {"http://h?passw=a:b@c", "http://h?passw=***"},
        {"http://h/u?passw=&path=a", "http://h/u?passw=***&path=a"},
        {"http://h/u?passw=x#part", "http://h/u?passw=***#part"},
        {"user=ana&passw=53532j&path=app", "user=ana&passw=***&path=app"},
        // A command line: the value ends at the word's end or its quote.
        {"kelvaner \"http://h/u?passw=x\" C:\\app passw=z", "kelvaner \"http://h/u?passw=***\" C:\\app passw=***"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CredentialsHidden(c.address), c.shown) << c.address;
}

}  // namespace
}  // namespace rt
