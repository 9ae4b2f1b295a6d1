// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/detail/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTranslator>
#include <memory>

namespace platform {
namespace {

Q_LOGGING_CATEGORY(lcPlatform, "tessivo.platform", QtWarningMsg)

// Every text the window shows is looked up in this one context of the translation files.
constexpr const char* kContext = "texts";
constexpr const char* kSourceLanguage = "zh";

// The translators installed now; replaced when another language is chosen.
std::unique_ptr<QTranslator> g_textTranslator;
std::unique_ptr<QTranslator> g_qtTranslator;

QString translationFile(const QString& language) {
    return QStringLiteral(":/i18n/tessivo_%1.qm").arg(language);
}

QString chooseLanguage(const QStringList& uiLanguages) {
    for (const QString& name : uiLanguages) {
        const QLocale locale(name);
        if (locale.language() == QLocale::Chinese) {
            break;
        }
        const QString language = QLocale::languageToCode(locale.language());
        if (QFile::exists(translationFile(language))) {
            return language;
        }
    }
    return QString::fromLatin1(kSourceLanguage);
}

void uninstall(std::unique_ptr<QTranslator>& translator) {
    if (translator != nullptr) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
}

// Qt's own texts (standard buttons, context menus, dialog texts) in the same language. Qt's are
// written in English, so English needs none.
void useQtLanguage(const QString& language) {
    if (language == QLatin1String("en")) {
        return;
    }
    const QLocale locale(language == QLatin1String(kSourceLanguage) ? QStringLiteral("zh_CN")
                                                                    : language);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        qCWarning(lcPlatform,
                  "Qt's translation for %s is missing from %s (package qt6-translations-l10n): "
                  "the texts Qt draws itself stay English",
                  qPrintable(locale.name()), qPrintable(folder));
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    g_qtTranslator = std::move(translator);
}

QString translated(const QString& text) {
    return QCoreApplication::translate(kContext, text.toUtf8().constData());
}

// A line's translation, else its translation as a pattern of its numbers, else the line.
QString displayLine(const QString& line) {
    const QString whole = translated(line);
    if (whole != line) {
        return whole;
    }
    static const QRegularExpression number(QStringLiteral("-?[0-9]+(?:\\.[0-9]+)?"));
    QString pattern;
    QStringList numbers;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& match : number.globalMatch(line)) {
        pattern += line.mid(from, match.capturedStart() - from);
        numbers.append(match.captured());
        pattern += QLatin1Char('%') + QString::number(numbers.size());
        from = match.capturedEnd();
    }
    if (numbers.isEmpty()) {
        return line;
    }
    pattern += line.mid(from);
    QString result = translated(pattern);
    if (result == pattern) {
        return line;
    }
    for (const QString& value : numbers) {
        result = result.arg(value);
    }
    return result;
}

}  // namespace

QString useLanguage(const QStringList& uiLanguages) {
    uninstall(g_textTranslator);
    uninstall(g_qtTranslator);
    QString language = chooseLanguage(uiLanguages);
    if (language != QLatin1String(kSourceLanguage)) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(translationFile(language))) {
            QCoreApplication::installTranslator(translator.get());
            g_textTranslator = std::move(translator);
        } else {
            qCWarning(lcPlatform, "cannot read the translation %s: the window stays Chinese",
                      qPrintable(translationFile(language)));
            language = QString::fromLatin1(kSourceLanguage);
        }
    }
    useQtLanguage(language);
    return language;
}

QString useUsersLanguage() {
    return useLanguage(QLocale::system().uiLanguages());
}

QString displayText(const QString& text) {
    if (text.isEmpty() || g_textTranslator == nullptr) {
        return text;
    }
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    if (!text.contains(lineBreak)) {
        return displayLine(text);
    }
    const QString whole = translated(text);
    if (whole != text) {
        return whole;
    }
    QString result;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& match : lineBreak.globalMatch(text)) {
        result += displayLine(text.mid(from, match.capturedStart() - from));
        result += match.captured();
        from = match.capturedEnd();
    }
    return result + displayLine(text.mid(from));
}

}  // namespace platform
