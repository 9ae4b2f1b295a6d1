// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

#include "platform/detail/Application.h"

namespace platform {
namespace {

Q_LOGGING_CATEGORY(lcPlatform, "tessivo.platform", QtWarningMsg)

}  // namespace

void loadQtTranslations() {
    // The interface is Chinese whatever the user's locale, and so must be what Qt draws itself:
    // standard buttons, context menus, dialog texts.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
        qCWarning(lcPlatform,
                  "Qt's Simplified Chinese translation is missing from %s (package "
                  "qt6-translations-l10n): the texts Qt draws itself stay English",
                  qPrintable(folder));
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
}

}  // namespace platform
