// bf-helpdoc INPUT.md OUTPUT.pdf: renders one help document at build time.
#include "docs/helpdoc/HelpDocRenderer.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "bf-helpdoc: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3)
        return Fail(QStringLiteral("usage: bf-helpdoc INPUT.md OUTPUT.pdf"));

    QString markdown;
    bf::helpdoc::RenderResult result = bf::helpdoc::ReadTextFile(args.at(1), markdown);
    if (result.ok)
        result = bf::helpdoc::RenderMarkdownToPdf(markdown, args.at(2));
    for (const QString& text : result.tooWide)
        std::fprintf(stderr, "bf-helpdoc: warning: %s: too wide for its column: %s\n", qPrintable(args.at(1)),
                     qPrintable(text));
    return result.ok ? 0 : Fail(result.error);
}
