#include "dialogue/ChangeVerification.h"

#include <gtest/gtest.h>

namespace ovisu {
namespace {

TEST(ChangeVerificationTest, ReadsUntilTwoReadingsInARowAgreeOrTheBoxIsEmpty) {
    ChangeVerification verification;
    // A reveal: every reading differs from the one before until the line is complete.
    EXPECT_TRUE(verification.needsAnotherReading(u"今日は"_qs));
    EXPECT_TRUE(verification.needsAnotherReading(u"今日はいい天気"_qs));
    EXPECT_TRUE(verification.needsAnotherReading(u"今日はいい天気ですね"_qs));
    EXPECT_FALSE(verification.needsAnotherReading(u"今日はいい天気ですね"_qs));
    // A new line starts the chain again; an empty box ends it at once.
    EXPECT_TRUE(verification.needsAnotherReading(u"はい"_qs));
    EXPECT_FALSE(verification.needsAnotherReading(QString()));
    EXPECT_TRUE(verification.needsAnotherReading(u"はい"_qs)) << "the line before the empty box is not the last reading";

    // Over a picture that keeps changing, a misreading of the line agrees with it; more of it does not.
    const QString line = u"デフォルトでは画像は瞬時に置き換えられます"_qs;
    QString misread = line;
    misread.replace(u"瞬"_qs, u"骨"_qs);
    EXPECT_TRUE(verification.needsAnotherReading(line.left(line.size() - 1), 0.9));
    EXPECT_TRUE(verification.needsAnotherReading(line, 0.9));
    EXPECT_FALSE(verification.needsAnotherReading(misread, 0.9));

    // After a reset, no reading counts as the one before.
    verification.needsAnotherReading(u"うん"_qs);
    verification.reset();
    EXPECT_TRUE(verification.needsAnotherReading(u"うん"_qs));
}

}  // namespace
}  // namespace ovisu
