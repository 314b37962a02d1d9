#include "engine/BaiduTranslationProvider.h"
#include "engine/DeepLTranslationProvider.h"
#include "engine/GoogleFreeTranslationProvider.h"
#include "engine/LibreTranslateProvider.h"
#include "engine/MicrosoftTranslatorProvider.h"
#include "engine/PapagoTranslationProvider.h"
#include "engine/YoudaoTranslationProvider.h"

#include "support/Fixtures.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace ovisu {
namespace {

using test::apiFixture;

// A text that breaks naive form encoding and must still arrive unchanged.
const QString trickyText = QStringLiteral("「1+1=2 & a=b」ですか？ 100%");

TranslationProviderConfiguration configuration(const QString& endpoint, const QString& key = {},
                                               const QString& model = {}) {
    TranslationProviderConfiguration c;
    c.endpoint = QUrl(endpoint);
    c.apiKey = key;
    c.model = model;
    c.timeout = 12.5;  // not the default, so a request that ignores it shows
    c.prompt = QStringLiteral("unused prompt");
    c.context = QStringLiteral("前の台詞");
    return c;
}

HttpRequest build(const TranslationProviderAdapter& adapter, const QString& text, const TranslationProviderConfiguration& c) {
    const RequestResult result = adapter.makeRequest(text, c);
    EXPECT_TRUE(result.has_value());
    EXPECT_EQ(result.value_or(HttpRequest{}).timeoutSeconds, c.timeout);
    return result.value_or(HttpRequest{});
}

QJsonObject jsonObjectBody(const HttpRequest& request) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(document.isObject());
    return document.object();
}

// The form fields as (name, value) pairs, decoded and in order, reading a literal "+" as a space
// the way a form-decoding server does.
QList<std::pair<QString, QString>> formFields(QByteArray body) {
    body.replace('+', "%20");
    QList<std::pair<QString, QString>> fields;
    for (const auto& [name, value] : QUrlQuery(QString::fromLatin1(body)).queryItems(QUrl::FullyDecoded))
        fields.append({name, value});
    return fields;
}

QString field(const QList<std::pair<QString, QString>>& fields, const QString& name) {
    for (const auto& [n, v] : fields)
        if (n == name) return v;
    ADD_FAILURE() << "missing form field " << name.toStdString();
    return {};
}

QList<QByteArray> headerNames(const HttpRequest& request) {
    QList<QByteArray> result;
    for (const HttpHeader& h : request.headers) result.append(h.name);
    return result;
}

std::optional<QString> text(const char* s) { return QString::fromUtf8(s); }

// Bodies no adapter may read a translation or an error from.
const QList<QByteArray> hostileBodies{"", "<html>502 Bad Gateway</html>", "{\"truncated\": ", "null", "42",
                                      "\"just a string\"", "[]", "{}", "[[null]]", "{\"error\": [1, 2]}"};

// ---- catalogue ----

TEST(MachineTranslationAdapters, NoParserAcceptsHostileBodies) {
    const std::vector<std::shared_ptr<TranslationProviderAdapter>> adapters{
        std::make_shared<GoogleFreeTranslationProvider>(), std::make_shared<DeepLTranslationProvider>(),
        std::make_shared<MicrosoftTranslatorProvider>(),   std::make_shared<YoudaoTranslationProvider>(),
        std::make_shared<BaiduTranslationProvider>(),      std::make_shared<PapagoTranslationProvider>(),
        std::make_shared<LibreTranslateProvider>()};
    for (const auto& adapter : adapters) {
        for (const QByteArray& body : hostileBodies) {
            const auto translation = adapter->parseResponse(body);
            // An empty list of results may read as an empty translation, never as text.
            EXPECT_TRUE(!translation || translation->isEmpty()) << adapter->id().toStdString() << " " << body.constData();
            EXPECT_EQ(adapter->parseError(body), std::nullopt) << adapter->id().toStdString() << " " << body.constData();
        }
    }
}

// What each adapter reads from recorded and hand-made bodies: entries of the wrong shape are
// skipped, and a body of the other kind (an error read as a reply, a reply as an error) is nothing.
TEST(MachineTranslationAdapters, ReadTheirRepliesAndErrors) {
    const GoogleFreeTranslationProvider google;
    const DeepLTranslationProvider deepL;
    const MicrosoftTranslatorProvider microsoft;
    const YoudaoTranslationProvider youdao;
    const BaiduTranslationProvider baidu;
    const PapagoTranslationProvider papago;
    const LibreTranslateProvider libre;
    using Reading = std::tuple<const TranslationProviderAdapter*, QByteArray, std::optional<QString>>;
    const QByteArray youdaoSignatureFailure = R"({"errorCode": "202", "translation": ["不应采用"]})";
    const Reading replies[] = {
        {&google, apiFixture("google_gtx_single_response.json"), text("你好世界")},
        {&google, apiFixture("google_gtx_multi_segment_response.json"), text("مرحبا بالعالم\nصباح الخير")},
        {&google, apiFixture("google_gtx_minimal_mock.json"), text("Hola mundo")},
        // Segments that are empty, not arrays or start with a non-string are skipped.
        {&google, R"([[[], "x", [null, "src"], [1], ["甲"], ["乙", "src"]]])", text("甲乙")},
        {&google, R"([{"a": 1}])", std::nullopt},
        {&google, R"({"sentences": []})", std::nullopt},
        {&deepL, apiFixture("deepl_translate_response.json"), text("Hallo, Welt!")},
        {&deepL, R"({"translations": [{"text": "一"}, {"text": 2}, "x", {"text": "二"}]})", text("一\n二")},
        {&deepL, R"({"translations": {"text": "一"}})", std::nullopt},
        {&deepL, R"({"message": "Forbidden"})", std::nullopt},
        {&microsoft, apiFixture("mstranslator_translate_response.json"), text("你好, 你叫什么名字？")},
        {&microsoft, apiFixture("mstranslator_translate_response_autodetect.json"), text("你好, 你叫什么名字？")},
        {&microsoft, apiFixture("mstranslator_translate_response_multi_target.json"),
         text("你好, 你叫什么名字？\nHallo, was ist dein Name?")},
        {&microsoft, R"([{"translations": [{"text": "一"}]}, 3, {"translations": "x"},
                        {"translations": [{"text": "二"}, {"text": null}]}])", text("一\n二")},
        {&microsoft, R"({"translations": [{"text": "一"}]})", std::nullopt},
        {&youdao, apiFixture("youdao_translate_response_word.json"), text("好")},
        {&youdao, R"({"errorCode": "0", "translation": ["一", 2, "二"]})", text("一\n二")},
        {&youdao, R"({"translation": ["无错误码"]})", text("无错误码")},
        {&youdao, R"({"errorCode": "0", "translation": "一"})", std::nullopt},
        {&youdao, R"({"errorCode": "0"})", std::nullopt},
        {&youdao, youdaoSignatureFailure, std::nullopt},
        {&baidu, apiFixture("baidu_translate_response.json"), text("苹果")},
        {&baidu, R"({"trans_result": [{"dst": "一"}, {"src": "x"}, {"dst": "二"}]})", text("一\n二")},
        {&baidu, apiFixture("baidu_error_54001.json"), std::nullopt},
        {&baidu, R"({"trans_result": "苹果"})", std::nullopt},
        {&papago, apiFixture("papago_translate_response.json"), text("Hello.")},
        {&papago, apiFixture("papago_translate_response_engine_type.json"), text("Good to meet you.")},
        {&papago, R"({"translatedText": "平的"})", text("平的")},
        {&papago, R"({"message": {"result": {"translatedText": 1}}, "translatedText": "后备"})", text("后备")},
        {&papago, R"({"message": {"result": "x"}})", std::nullopt},
        {&papago, apiFixture("papago_error_N2MT05.json"), std::nullopt},
        {&libre, apiFixture("libretranslate_translate_response.json"), text("¡Hola!")},
        {&libre, apiFixture("libretranslate_translate_response_autodetect.json"), text("Bye!")},
        {&libre, R"({"translatedText": ["一", 2, "二"]})", text("一\n二")},
        {&libre, R"({"translatedText": {"text": "一"}})", std::nullopt},
        {&libre, apiFixture("libretranslate_error_400.json"), std::nullopt},
    };
    for (const auto& [adapter, body, expected] : replies)
        EXPECT_EQ(adapter->parseResponse(body), expected) << adapter->id().toStdString() << " " << body.constData();

    const Reading errors[] = {
        {&google, R"({"error": {"message": "x"}, "message": "y"})", std::nullopt},
        {&deepL, apiFixture("deepl_error_forbidden_403.json"), text("Forbidden")},
        {&deepL, apiFixture("deepl_error_quota_456.json"), text("Quota for this billing period has been exceeded.")},
        {&deepL, R"({"message": 456})", std::nullopt},
        {&microsoft, apiFixture("mstranslator_error_403001.json"),
         text("The operation isn't allowed because the subscription has exceeded its free quota.")},
        {&microsoft, R"({"error": "flat", "message": "top"})", std::nullopt},
        {&microsoft, R"([{"error": {"message": "in array"}}])", std::nullopt},
        {&youdao, apiFixture("youdao_translate_response_word.json"), std::nullopt},
        {&youdao, youdaoSignatureFailure, text("有道错误 202：签名校验失败，请检查应用 ID 和应用密钥")},
        {&youdao, R"({"errorCode": "411"})", text("有道错误 411：调用频率受限")},
        {&youdao, R"({"errorCode": "108"})", text("有道错误 108：应用 ID 无效")},
        {&youdao, R"({"errorCode": "9999"})", text("有道错误 9999：请在有道官方错误码文档中查询")},
        {&youdao, R"({"errorCode": "0"})", std::nullopt},
        {&youdao, R"({"errorCode": 202})", std::nullopt},
        {&baidu, apiFixture("baidu_error_52003.json"), text("52003：UNAUTHORIZED USER")},
        {&baidu, apiFixture("baidu_error_54001.json"), text("54001：Invalid Sign")},
        {&baidu, R"({"error_code": 54003})", text("54003")},
        {&baidu, R"({"error_msg": "Invalid Access Limit"})", text("Invalid Access Limit")},
        {&baidu, R"({"error_code": null, "error_msg": false})", std::nullopt},
        {&papago, apiFixture("papago_error_N2MT05.json"), text("source and target must be different (source와 target이 동일합니다.)")},
        {&papago, R"({"error": {"errorCode": "024", "message": "Authentication failed"}})", text("Authentication failed")},
        {&papago, R"({"errorMessage": 5, "error": "x", "message": "最后"})", text("最后")},
        {&papago, apiFixture("papago_translate_response.json"), std::nullopt},
        {&libre, apiFixture("libretranslate_error_400.json"), text("Invalid request: missing q parameter")},
        {&libre, apiFixture("libretranslate_error_403_invalid_api_key.json"), text("Invalid API key")},
        {&libre, R"({"error": {"message": "嵌套"}, "message": "顶层"})", text("嵌套")},
        {&libre, R"({"error": 3, "message": "顶层"})", text("顶层")},
        {&libre, R"({"detail": "Not Found"})", text("Not Found")},
        {&libre, R"({"detail": ["x"]})", std::nullopt},
    };
    for (const auto& [adapter, body, expected] : errors)
        EXPECT_EQ(adapter->parseError(body), expected) << adapter->id().toStdString() << " " << body.constData();
}

// ---- Google ----

TEST(GoogleFreeTranslationProvider, GetWithOwnQueryReplacingTheEndpointsQuery) {
    const HttpRequest request = build(GoogleFreeTranslationProvider(), trickyText,
                                      configuration("https://translate.example.com/translate_a/single?foo=bar&q=old",
                                                    "ignored-key"));
    EXPECT_EQ(request.method, "GET");
    EXPECT_TRUE(request.headers.isEmpty());
    EXPECT_TRUE(request.body.isEmpty());
    EXPECT_EQ(request.url.host(), QStringLiteral("translate.example.com"));
    EXPECT_EQ(request.url.path(), QStringLiteral("/translate_a/single"));
    const QList<std::pair<QString, QString>> expected{
        {"client", "gtx"}, {"sl", "ja"}, {"tl", "zh-CN"}, {"dt", "t"}, {"q", trickyText}};
    EXPECT_EQ(formFields(request.url.query(QUrl::FullyEncoded).toLatin1()), expected);
}

// ---- DeepL ----

TEST(DeepLTranslationProvider, JsonRequestWithOptionalContext) {
    const DeepLTranslationProvider deepL;
    auto c = configuration("https://api-free.deepl.com/v2/translate?keep=1", "k:fx");
    const HttpRequest request = build(deepL, trickyText, c);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, QUrl("https://api-free.deepl.com/v2/translate?keep=1"));  // used as it stands
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(request.header("Authorization"), QByteArray("DeepL-Auth-Key k:fx"));
    EXPECT_EQ(request.headers.size(), 2);
    const QJsonObject body = jsonObjectBody(request);
    EXPECT_EQ(body.keys(), (QStringList{"context", "source_lang", "target_lang", "text"}));
    EXPECT_EQ(body["text"].toArray(), QJsonArray{trickyText});
    EXPECT_EQ(body["source_lang"], "JA");
    EXPECT_EQ(body["target_lang"], "ZH");
    EXPECT_EQ(body["context"], QStringLiteral("前の台詞"));

    c.context.clear();
    const QJsonObject withoutContext = jsonObjectBody(build(deepL, trickyText, c));
    EXPECT_FALSE(withoutContext.contains("context"));
    EXPECT_EQ(withoutContext.size(), 3);
}

// ---- Microsoft ----

TEST(MicrosoftTranslatorProvider, RequestWithAndWithoutRegion) {
    const MicrosoftTranslatorProvider microsoft;
    const HttpRequest request = build(
        microsoft, trickyText,
        configuration("https://api.cognitive.microsofttranslator.com/translate?api-version=2.0&to=en", "sub-key",
                      QStringLiteral(" eastasia\n")));
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url.path(), QStringLiteral("/translate"));
    EXPECT_EQ(request.url.query(), QStringLiteral("api-version=3.0&from=ja&to=zh-Hans"));
    EXPECT_EQ(headerNames(request), (QList<QByteArray>{"Content-Type", "Ocp-Apim-Subscription-Key",
                                                       "Ocp-Apim-Subscription-Region"}));
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json; charset=UTF-8"));
    EXPECT_EQ(request.header("Ocp-Apim-Subscription-Key"), QByteArray("sub-key"));
    EXPECT_EQ(request.header("Ocp-Apim-Subscription-Region"), QByteArray("eastasia"));
    const QJsonDocument body = QJsonDocument::fromJson(request.body);
    ASSERT_TRUE(body.isArray());
    EXPECT_EQ(body.array(), (QJsonArray{QJsonObject{{"Text", trickyText}}}));

    for (const QString& blank : {QString(), QStringLiteral("  \t")}) {
        const HttpRequest global =
            build(microsoft, trickyText, configuration("https://api.cognitive.microsofttranslator.com/translate", "k", blank));
        EXPECT_EQ(global.header("Ocp-Apim-Subscription-Region"), std::nullopt);
        EXPECT_EQ(global.headers.size(), 2);
    }

    // The URL helpers' refusals are FormEncoding's; here only that an adapter passes them on.
    const RequestResult bad = microsoft.makeRequest(trickyText, configuration(QString(), "k"));
    ASSERT_FALSE(bad.has_value());
    EXPECT_EQ(bad.error().kind, TranslationProviderBuildError::Kind::invalidEndpoint);
}

// ---- Youdao ----

TEST(YoudaoTranslationProvider, SignatureInputCountsUserPerceivedCharacters) {
    const QString twenty = QStringLiteral("あいうえおかきくけこさしすせそたちつてと");
    const QString twentyFive = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの");
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(twenty), twenty);
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(twentyFive),
              QStringLiteral("あいうえおかきくけこ25たちつてとなにぬねの"));
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(QString()), QString());

    // "が" written as か + combining voiced mark, and an emoji with a skin-tone modifier: each is
    // one character however many code units it takes.
    const QString ga = QStringLiteral("か\u3099");
    const QString thumbs = QStringLiteral("👍🏽");
    const QString twentyClusters = ga.repeated(10) + thumbs.repeated(10);  // 60 code units
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(twentyClusters), twentyClusters);
    const QString twentyTwo = ga.repeated(11) + thumbs.repeated(11);
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(twentyTwo), ga.repeated(10) + "22" + thumbs.repeated(10));
    const QString mixed = QStringLiteral("😀") + QStringLiteral("あ").repeated(19) + ga + QStringLiteral("終");
    EXPECT_EQ(YoudaoTranslationProvider::signatureInput(mixed),
              QStringLiteral("😀あああああああああ22") + QStringLiteral("あ").repeated(8) + ga + QStringLiteral("終"));
}

TEST(YoudaoTranslationProvider, SignMatchesAnIndependentDigest) {
    // printf '%s' '0cb9e41da38052c8あいうえおかきくけこ25たちつてとなにぬねの5E1B...1700000000s3cr3t+Key=' | sha256sum
    EXPECT_EQ(YoudaoTranslationProvider::sign("0cb9e41da38052c8", QStringLiteral("あいうえおかきくけこ25たちつてとなにぬねの"),
                                              "5E1B4C9A-3F2D-4A6B-9C8E-7D0F1A2B3C4D", "1700000000", "s3cr3t+Key="),
              QStringLiteral("6896191173792662052bc4e4e90cbb721a2e07dc8160d2df732deb37ebd51d5f"));
}

TEST(YoudaoTranslationProvider, SignedFormRequest) {
    const YoudaoTranslationProvider youdao;
    const QString longText = trickyText + QStringLiteral("もう少し長い台詞にします");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const HttpRequest request =
        build(youdao, longText, configuration("https://openapi.youdao.com/api", "app+secret", "appKey42"));
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, QUrl("https://openapi.youdao.com/api"));
    EXPECT_EQ(request.headers, (QList<HttpHeader>{{"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"}}));
    EXPECT_FALSE(request.body.contains('+'));

    const auto fields = formFields(request.body);
    const QString salt = field(fields, "salt");
    EXPECT_EQ(fields, (QList<std::pair<QString, QString>>{{"q", longText}, {"from", "ja"}, {"to", "zh-CHS"},
                                                          {"appKey", "appKey42"}, {"salt", salt}, {"sign", field(fields, "sign")},
                                                          {"signType", "v3"}, {"curtime", field(fields, "curtime")}}));
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$").match(salt).hasMatch())
        << salt.toStdString();
    const qint64 curtime = field(fields, "curtime").toLongLong();
    EXPECT_GE(curtime, before);
    EXPECT_LE(curtime, after);

    // Recompute the signature from the request's own fields, without the adapter's helpers.
    ASSERT_GT(longText.size(), 20);
    const QString input = longText.left(10) + QString::number(longText.size()) + longText.right(10);
    const QByteArray expected = QCryptographicHash::hash(
        ("appKey42" + input + salt + field(fields, "curtime") + "app+secret").toUtf8(), QCryptographicHash::Sha256);
    EXPECT_EQ(field(fields, "sign"), QString::fromLatin1(expected.toHex()));

    const auto again = formFields(build(youdao, longText, configuration("https://openapi.youdao.com/api")).body);
    EXPECT_NE(field(again, "salt"), salt);
}

// ---- Baidu ----

TEST(BaiduTranslationProvider, SignMatchesIndependentDigests) {
    // The example of Baidu's own documentation, then one with reserved characters in the text.
    EXPECT_EQ(BaiduTranslationProvider::sign("2015063000000001", "apple", "1435660288", "12345678"),
              QStringLiteral("f89f9594663708c1605f3d736d01d2d4"));
    EXPECT_EQ(BaiduTranslationProvider::sign("20240101000000001", QStringLiteral("こんにちは+世界&a=b 終"),
                                             "0123456789abcdef0123456789abcdef", "baidu/Key"),
              QStringLiteral("3a3213c4adf0b2019b493d946ccd01bc"));
}

TEST(BaiduTranslationProvider, SignedFormRequest) {
    const BaiduTranslationProvider baidu;
    const auto c = configuration("https://fanyi-api.baidu.com/api/trans/vip/translate", "secret&key", "2024appid");
    const HttpRequest request = build(baidu, trickyText, c);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, c.endpoint);
    EXPECT_EQ(request.headers, (QList<HttpHeader>{{"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"}}));

    const auto fields = formFields(request.body);
    const QString salt = field(fields, "salt");
    EXPECT_EQ(fields, (QList<std::pair<QString, QString>>{{"q", trickyText}, {"from", "ja"}, {"to", "zh"},
                                                          {"appid", "2024appid"}, {"salt", salt}, {"sign", field(fields, "sign")}}));
    EXPECT_TRUE(QRegularExpression("^[0-9A-Fa-f]{32}$").match(salt).hasMatch()) << salt.toStdString();
    const QByteArray expected =
        QCryptographicHash::hash(("2024appid" + trickyText + salt + "secret&key").toUtf8(), QCryptographicHash::Md5);
    EXPECT_EQ(field(fields, "sign"), QString::fromLatin1(expected.toHex()));

    EXPECT_NE(field(formFields(build(baidu, trickyText, c).body), "salt"), salt);
}

// ---- Papago ----

TEST(PapagoTranslationProvider, JsonRequest) {
    const HttpRequest request = build(PapagoTranslationProvider(), trickyText,
                                      configuration("https://naveropenapi.apigw.ntruss.com/nmt/v1/translation",
                                                    "client-secret", "client-id"));
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, QUrl("https://naveropenapi.apigw.ntruss.com/nmt/v1/translation"));
    EXPECT_EQ(request.headers, (QList<HttpHeader>{{"Content-Type", "application/json"},
                                                  {"X-NCP-APIGW-API-KEY-ID", "client-id"},
                                                  {"X-NCP-APIGW-API-KEY", "client-secret"}}));
    EXPECT_EQ(jsonObjectBody(request), (QJsonObject{{"source", "ja"}, {"target", "zh-CN"}, {"text", trickyText}}));
}

// ---- LibreTranslate ----

TEST(LibreTranslateProvider, JsonRequestWithOptionalKey) {
    const LibreTranslateProvider libre;
    auto c = configuration("http://127.0.0.1:5000/translate", "lt-key");
    HttpRequest request = build(libre, trickyText, c);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, QUrl("http://127.0.0.1:5000/translate"));
    EXPECT_EQ(request.headers, (QList<HttpHeader>{{"Content-Type", "application/json; charset=UTF-8"}}));
    EXPECT_EQ(jsonObjectBody(request), (QJsonObject{{"q", trickyText}, {"source", "ja"}, {"target", "zh"},
                                                    {"format", "text"}, {"api_key", "lt-key"}}));
    for (const QString& blank : {QString(), QStringLiteral(" \n ")}) {
        c.apiKey = blank;
        const QJsonObject body = jsonObjectBody(build(libre, trickyText, c));
        EXPECT_FALSE(body.contains("api_key"));
        EXPECT_EQ(body.size(), 4);
    }
}

}  // namespace
}  // namespace ovisu
