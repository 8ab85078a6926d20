// The lines the entries print: a message from the server or the database never moves the
// cursor or sends a terminal command.
#include "batch/Console.h"

#include <gtest/gtest.h>

#include <string>

namespace sollist::batch {
namespace {

TEST(Console, MessagesBecomeOneVisibleLine) {
    const struct {
        std::string message, line;
    } cases[] = {
        {"plain", "plain"},
        {"first\nsecond\n", "first second"},
        {"over\rwritten", "over written"},
        {"tab\there", "tab here"},
        {"\x1b[2Jcleared\a", "\\x1b[2Jcleared\\x07"},
        {"del\x7f", "del\\x7f"},
        {"Möbel Müller", "Möbel Müller"},
    };
    for (const auto& c : cases) EXPECT_EQ(OneLine(c.message), c.line) << c.message;
}

// The lead and the database stay readable on a terminal and in a log: no carriage return.
TEST(Console, ConnectionFailedLineKeepsItsLead) {
    EXPECT_EQ(
        ConnectionFailedLine("/srv/firma.fdb", "Error occurred during login\r\n-please check"),
        "Kann keine Serververbindung herstellen. (/srv/firma.fdb): Error occurred during login  -please check");
}

} // namespace
} // namespace sollist::batch
