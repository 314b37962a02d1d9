#pragma once

#include "capture/TextRecognizer.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace ovisu {

struct PreparedOCRImage;

struct TesseractRecognizerSettings {
    // Folder holding the *.traineddata files. Empty: TESSDATA_PREFIX when set, else Debian's folder.
    QString dataPath;
    // Tesseract's language string ("jpn+eng"). Empty: made from the request's languages.
    QString languages;
    // How the page is split: one uniform block suits a subtitle crop (on rendered subtitles automatic
    // layout, which looks for several blocks, made about four times as many errors).
    bool singleBlock = true;
    // Text is scaled to about this height before recognition; 0 leaves the size alone. Heights from
    // 36 to 48 read about equally well; leaving the size alone read small text worse.
    int targetTextHeight = 40;
    // The accurate level makes a second pass when the first one's mean confidence is below this,
    // or when it found nothing.
    double doubtfulConfidence = 0.8;
    // Otsu-binarised images (true) or the grey image turned dark-on-light (false).
    bool binarise = true;
    // Folder of Tesseract's "best" Japanese model, which the accurate level reads with as well.
    // Null: defaultBestDataPath(); empty: none.
    QString bestDataPath;
};

// Tesseract 5 with its LSTM models. One object serves one thread: its engine is started on the
// first request (or by start()) and reused; it is started again only when a request asks for other
// languages, other custom words or other correction. Every pass runs on the calling thread alone.
class TesseractTextRecognizer final : public TextRecognizer {
public:
    explicit TesseractTextRecognizer(TesseractRecognizerSettings settings = {});
    ~TesseractTextRecognizer() override;
    TesseractTextRecognizer(const TesseractTextRecognizer&) = delete;
    TesseractTextRecognizer& operator=(const TesseractTextRecognizer&) = delete;

    std::expected<QList<RecognizedLine>, QString> recognize(const QImage& image,
                                                            const TextRecognitionRequest& request) override;

    // Starts the engine for these settings now instead of on the first request; the error tells why
    // it cannot start (a missing model, say).
    std::optional<QString> start(const TextRecognitionRequest& request = {});

    // Asked while a pass runs (between words); true abandons the pass, and recognize() answers
    // with the error "文字识别已取消". Set it from the thread that recognises, not during a pass.
    void setCancelCheck(std::function<bool()> check) override;

    // The folder used when the settings name none.
    static QString defaultDataPath();
    // OVISU_TESSDATA_BEST when set, else the installed program's share/ovisu/tessdata-best or the
    // folder the install script fills, the first that holds the model; otherwise empty.
    static QString defaultBestDataPath();
    // Tesseract's codes for recogniser languages ("ja-JP" -> "jpn", "en-US" -> "eng"), unknown ones
    // left out, joined with "+". English is left out beside Japanese, whose model reads Latin too.
    static QString tesseractLanguages(const QStringList& languages);

private:
    struct Engine;
    struct EngineKey;
    struct PassResult;
    std::expected<std::unique_ptr<Engine>, QString> startEngine(const QString& dataPath, const EngineKey& key);
    std::expected<PassResult, QString> runPass(const PreparedOCRImage& prepared, Engine& engine);
    static double readingWeight(const PassResult& pass);
    static PassResult betterReading(PassResult first, PassResult second);

    TesseractRecognizerSettings settings_;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<Engine> bestEngine_;
    std::function<bool()> cancelCheck_;
};

// Debian's libtesseract runs parts of the LSTM in OpenMP thread teams, which on a two-core machine
// made every pass about three times slower (165 ms against 50 ms for a two-line crop).
// OMP_THREAD_LIMIT would stop that, but libgomp reads its environment when it is loaded, before
// any code of ours runs, so setting it from within is too late. With max-active-levels at 0 every
// parallel region runs on the thread that reaches it. The setting belongs to the calling thread's
// OpenMP environment, so a recogniser calls this on the thread it recognises on, before each pass;
// after the first call on a thread it does nothing. libgomp comes in through libtesseract, so it is
// looked up rather than linked.
void keepOpenMPOnThisThread();

// Some Tesseract models put spaces between Japanese characters. Removes the white space between two
// CJK characters (kanji, kana, CJK punctuation, full-width forms); line breaks and ideographic
// spaces stay, and so do spaces next to Latin letters or digits.
QString removeSpacesBetweenCJK(const QString& text);

}  // namespace ovisu
