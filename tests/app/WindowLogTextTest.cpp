// 8-bit text in the log pane: each line as UTF-8 when it is valid UTF-8, else as Windows-1252.
#include "app/TextDecoding.h"
#include "params/ParameterUpdate.h"
#include "tests/app/LiveWindow.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QPlainTextEdit>
#include <QStringDecoder>

namespace bf::test {
namespace {

using namespace cmd_id;

TEST(TextDecoding, ValidUtf8AsUtf8AnythingElseAsWindows1252) {
    const std::pair<std::string, QString> cases[] = {
        {"PLAIN 7-BIT", "PLAIN 7-BIT"},
        {"\xC3\x84\xC3\x96\xC3\x85\xC2\xB0", "\u00C4\u00D6\u00C5\u00B0"}, // UTF-8 ÄÖÅ°
        {"\xC4\xD6\xC5\xB0", "\u00C4\u00D6\u00C5\u00B0"},                 // Latin-1 ÄÖÅ°
        {"\x80\x8A\x96\x9F", "\u20AC\u0160\u2013\u0178"},                 // € Š – Ÿ
        {"\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},       // undefined in 1252
        {"\xA0\xFF", "\u00A0\u00FF"},
        {"\xC3\x84\xC4", "\u00C3\u201E\u00C4"}, // one invalid byte: the whole text is 1252
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(DecodeText(bytes), shown) << bytes;
}

TEST(TextDecoding, AgreesWithTheSystemsWindows1252CodecOnEveryByteItDefines) {
    QStringDecoder codec("windows-1252");
    if (!codec.isValid())
        GTEST_SKIP() << "this Qt has no Windows-1252 codec to compare with";
    const std::string undefined = "\x81\x8D\x8F\x90\x9D";
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (undefined.find(byte) == std::string::npos) {
            EXPECT_EQ(DecodeText(byte), codec.decode(QByteArray::fromStdString(byte))) << b;
        }
    }
}

using LogTextTest = InFolderWindowTest;

TEST_F(LogTextTest, ParameterLinesShowAsUtf8OrWindows1252LineByLine) {
    const struct {
        const char* name;
        std::string content;
        QStringList shown;
    } files[] = {
        {"latin1.txt", "TEXT=\xC4\xD6\xC5 20\xB0\r\n", {"PARAMETER --> TEXT=ÄÖÅ 20° "}},
        {"utf8.txt", "TEXT=\xC3\x84\xC3\x96\xC3\x85 20\xC2\xB0\r\n", {"PARAMETER --> TEXT=ÄÖÅ 20° "}},
        {"mixed.txt",
         "A=\xC3\x84\r\nB=\x80 5\x96"
         "6\r\nC=\x81\r\n",
         {"PARAMETER --> A=Ä ", "PARAMETER --> B=€ 5–6 ", "PARAMETER --> C=\u0081 "}},
    };
    for (const auto& f : files) {
        std::ofstream(PathOf(f.name), std::ios::binary) << f.content;
        Controller controller(m_clock);
        m_operations.during = [&](Host& host, Session*) {
            Session s = controller.SessionFor(host, m_clock);
            ParameterUpdate(s);
        };
        m_prompter.fileAnswer = QString::fromStdString(PathOf(f.name));
        Command(ParamUpdate)->trigger();

        QStringList paneLines;
        for (const QString& line : Control<QPlainTextEdit>(Log)->toPlainText().split(u'\n'))
            if (line.startsWith(QStringLiteral("PARAMETER -->")))
                paneLines << line;
        EXPECT_EQ(paneLines, f.shown) << f.name;
        // The log text keeps the file's bytes.
        std::string expected;
        std::size_t from = 0;
        for (std::size_t end; (end = f.content.find('\n', from)) != std::string::npos; from = end + 1)
            expected += "PARAMETER --> " + f.content.substr(from, end - from) + " \r\n";
        EXPECT_NE(Window().LogText().find(expected), std::string::npos) << f.name;
    }
}

} // namespace
} // namespace bf::test
