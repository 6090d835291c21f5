// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Application.h"

#include "platform/DDraw.h"
#include "platform/DSound.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QIconEngine>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QTranslator>

namespace {

// The standard icon of a style, read from the style's resources only when it is first drawn.
class TDeferredStandardIcon : public QIconEngine {
public:
    TDeferredStandardIcon(const QStyle* style, QStyle::StandardPixmap which)
        : style_(style), which_(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().actualSize(size, mode, state);
    }
    QIconEngine* clone() const override { return new TDeferredStandardIcon(style_, which_); }
    bool isNull() override { return false; }

private:
    const QIcon& Icon() {
        if (!loaded_ && style_) {
            icon_ = style_->standardIcon(which_);
            loaded_ = true;
        }
        return icon_;
    }

    QPointer<const QStyle> style_;
    QStyle::StandardPixmap which_;
    QIcon icon_;
    bool loaded_ = false;
};

// The platform's style, but for the menu bar's extension arrows: every menu bar makes its
// extension button with its icon, read and decoded from the style's resources, although the
// window is always wide enough for its three menus. That icon is read when it is first drawn.
class TApplicationStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (which == SP_ToolBarHorizontalExtensionButton ||
            which == SP_ToolBarVerticalExtensionButton)
            return QIcon(new TDeferredStandardIcon(baseStyle(), which));
        return QProxyStyle::standardIcon(which, option, widget);
    }
};

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle);
    // The desktop entry that launches the program (its file name without ".desktop"): docks
    // link the window to its launcher by it. On X11 they match the window's class, the
    // application's name, against the entry's StartupWMClass.
    setDesktopFileName("invalid.ekobarama.Ekobarama");
    setQuitOnLastWindowClosed(false);
    setStyle(new TApplicationStyle); // the application owns its style
    InstallTranslations(*this);
    RegisterPlatformLibraries();
}

TLanguage ChosenLanguage() {
    for (const QString& language : QLocale::system().uiLanguages()) {
        if (language.startsWith("fr"))
            return TLanguage::French;
        if (language.startsWith("en"))
            return TLanguage::English;
    }
    return TLanguage::English;
}

void InstallTranslations(QCoreApplication& app) {
    // Qt's own windows (the file dialogs) speak the program's language: French when the system
    // has Qt's translations, otherwise English, Qt's own.
    if (ChosenLanguage() == TLanguage::French) {
        auto* qt = new QTranslator(&app);
        if (qt->load("qtbase_fr", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        return;
    }
    auto* program = new QTranslator(&app);
    if (program->load(":/i18n/ekobarama_en.qm"))
        QCoreApplication::installTranslator(program);
}

void RegisterPlatformLibraries() {
    // The display and sound stand-ins, under the file names the program loads them by.
    platform::RegisterDDrawLibrary();
    platform::RegisterDSoundLibrary();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportError(nullptr);
    }
    return false;
}
