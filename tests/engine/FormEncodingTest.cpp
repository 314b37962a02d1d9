#include "engine/FormEncoding.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

namespace ovisu {
namespace {

// Decoded as a form-reading server does: a literal "+" is a space.
QList<std::pair<QString, QString>> decodedItems(QByteArray encoded) {
    encoded.replace('+', "%20");
    QList<std::pair<QString, QString>> items;
    for (const auto& [name, value] : QUrlQuery(QString::fromLatin1(encoded)).queryItems(QUrl::FullyDecoded))
        items.append({name, value});
    return items;
}

TEST(FormEncoding, EscapesEverythingButUnreservedCharacters) {
    EXPECT_EQ(encodedQuery({{QStringLiteral("q"), QStringLiteral("a+b&c=d e/~日-._*")}}),
              QByteArray("q=a%2Bb%26c%3Dd%20e%2F~%E6%97%A5-._%2A"));
    // Decomposed "が": both code points, as UTF-8 bytes.
    EXPECT_EQ(encodedQuery({{QStringLiteral("k"), QStringLiteral("か\u3099")}}), QByteArray("k=%E3%81%8B%E3%82%99"));

    // Every printable ASCII character: literal exactly when unreserved, never a bare "+".
    const QByteArray unreserved = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
    for (char c = 0x20; c < 0x7f; ++c) {
        const QByteArray encoded = encodedQuery({{QStringLiteral("v"), QString(QLatin1Char(c))}}).mid(2);
        if (unreserved.contains(c))
            EXPECT_EQ(encoded, QByteArray(1, c)) << c;
        else
            EXPECT_EQ(encoded, "%" + QByteArray(1, c).toHex().toUpper()) << c;
    }
}

TEST(FormEncoding, FormBodyKeepsOrderRoundTripsDelimitersAndJapaneseAndNeedsAnItem) {
    const QString text = QStringLiteral("1+1=2 & 「さようなら」+〜？\n改行");
    const QList<std::pair<QString, QString>> items{{QStringLiteral("q"), text},
                                                   {QStringLiteral("from"), QStringLiteral("ja")},
                                                   {QStringLiteral("empty"), QString()},
                                                   {QStringLiteral("sign"), QStringLiteral("a=b&c")}};
    const auto body = formBody(items);
    ASSERT_TRUE(body.has_value());
    EXPECT_FALSE(body->contains('+'));
    EXPECT_FALSE(body->contains(' '));
    EXPECT_EQ(body->count('&'), 3);
    EXPECT_EQ(decodedItems(*body), items);
    EXPECT_TRUE(body->startsWith("q=1%2B1%3D2%20%26%20"));
    EXPECT_TRUE(body->endsWith("&empty=&sign=a%3Db%26c"));

    const auto nothing = formBody({});
    ASSERT_FALSE(nothing.has_value());
    EXPECT_EQ(nothing.error().kind, TranslationProviderBuildError::Kind::invalidEndpoint);
    EXPECT_EQ(nothing.error().localizedDescription(), QStringLiteral("接口地址无效"));
}

TEST(FormEncoding, UrlWithQueryReplacesTheQueryAndKeepsReservedCharactersAsData) {
    const auto url = urlWithQuery(QUrl(QStringLiteral("https://example.com/path/x?foo=bar&q=old#frag")),
                                  {{QStringLiteral("q"), QStringLiteral("a+b&c=d 日")}, {QStringLiteral("z"), "1"}});
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->path(), QStringLiteral("/path/x"));
    EXPECT_EQ(url->query(QUrl::FullyEncoded), QStringLiteral("q=a%2Bb%26c%3Dd%20%E6%97%A5&z=1"));
    EXPECT_TRUE(url->toEncoded().contains("?q=a%2Bb%26c%3Dd%20%E6%97%A5&z=1"));
    EXPECT_EQ(QUrlQuery(*url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), QStringLiteral("a+b&c=d 日"));

    for (const QUrl& bad : {QUrl(), QUrl(QStringLiteral("http://exa mple.com/")), QUrl(QStringLiteral("no-scheme/path"))}) {
        const auto result = urlWithQuery(bad, {{QStringLiteral("a"), QStringLiteral("b")}});
        ASSERT_FALSE(result.has_value()) << bad.toString().toStdString();
        EXPECT_EQ(result.error().kind, TranslationProviderBuildError::Kind::invalidEndpoint);
    }
}

// Expected digests computed outside the program with printf '%s' ... | md5sum / sha256sum.
TEST(FormEncoding, HexDigestIsLowerCaseOverUtf8Bytes) {
    EXPECT_EQ(hexDigest(QString(), DigestAlgorithm::md5), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(hexDigest(QStringLiteral("日本語テキスト"), DigestAlgorithm::md5),
              QStringLiteral("291a033f45232d75458716bcc03d90a0"));
    EXPECT_EQ(hexDigest(QStringLiteral("日本語テキスト"), DigestAlgorithm::sha256),
              QStringLiteral("8ad066c6ca423017415d5bb0ae118c6a8ec6c1da0e02a3257afbd7813e1119fa"));
}

}  // namespace
}  // namespace ovisu
