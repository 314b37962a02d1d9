#include "base/SecretMasking.h"

#include <gtest/gtest.h>

using namespace ovisu;

TEST(SecretMasking, KeepsThreeAndTwoCharactersAndMasksShortSecretsWhole) {
    EXPECT_EQ(maskedSecret("sk-abcdef123"), "sk-*******23");
    EXPECT_EQ(maskedSecret("123456"), "123*56");
    EXPECT_EQ(maskedSecret("12345"), "*****");
    EXPECT_EQ(maskedSecret(""), "");
}

TEST(SecretMasking, MasksEveryFormTheSecretCanTakeInARequest) {
    const QString secret = "ab/c+d\"ef=gh";
    const QString text = QStringLiteral("Authorization: Bearer ab/c+d\"ef=gh\n"
                                        "{\"api_key\":\"ab/c+d\\\"ef=gh\"}\n"
                                        "q=x&key=ab%2Fc%2Bd%22ef%3Dgh");
    const QString masked = maskSecretIn(text, secret);
    EXPECT_FALSE(masked.contains("c+d")) << masked.toStdString();
    EXPECT_FALSE(masked.contains("%2Bd")) << masked.toStdString();
    EXPECT_EQ(masked.count(maskedSecret(secret)), 3);
    EXPECT_EQ(maskSecretIn("nothing secret", ""), "nothing secret");
}
