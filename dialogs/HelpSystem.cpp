// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpSystem.h"

#include "HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <utility>

namespace morrow {

namespace {

constexpr char kCollectionName[] = "Morrow.qhc";
constexpr char kContentsPage[] = "index.html";
constexpr char kVirtualFolder[] = "manual";

QString DefaultCacheDir() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("morrowmas-slots/help"));
}

// The event type of a help request, registered once per process.
QEvent::Type HelpRequestType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void ShowWarningBox(const QString& message) {
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Morrowmas Slots Manual"), message);
}

} // namespace

void SetHelpContext(QWidget& widget, int context) {
    widget.setProperty(kHelpContextProperty, context);
}

int HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const int context = w->property(kHelpContextProperty).toInt();
        if (context != 0) {
            return context;
        }
        // A window's help is its own: a dialog without help does not show
        // the page of the window that opened it.
        if (w->isWindow()) {
            break;
        }
    }
    return 0;
}

void RequestHelp(QWidget& origin) {
    QEvent request(HelpRequestType());
    QCoreApplication::sendEvent(&origin, &request);
}

HelpSystem::HelpSystem(QString helpFile, QString cacheDir, QObject* parent)
    : QObject(parent), helpFile_(std::move(helpFile)), cacheDir_(std::move(cacheDir)),
      reporter_(ShowWarningBox) {}

HelpSystem::~HelpSystem() {
    // The window holds widgets that show the engine's models.
    window_.reset();
    engine_.reset();
}

void HelpSystem::SetProblemReporter(ProblemReporter reporter) {
    reporter_ = reporter ? std::move(reporter) : ProblemReporter(ShowWarningBox);
}

void HelpSystem::ListenOn(QCoreApplication& application) {
    application.installEventFilter(this);
}

HelpResult HelpSystem::ShowContents() {
    const QUrl url = ContentsUrl();
    if (url.isEmpty()) {
        return HelpResult::Unavailable;
    }
    Present(url);
    return HelpResult::Shown;
}

HelpResult HelpSystem::ShowContext(int context) {
    if (context == 0) {
        return HelpResult::NoContext;
    }
    if (!EnsureEngine()) {
        return HelpResult::Unavailable;
    }
    const QUrl url = TopicUrl(context);
    if (url.isEmpty()) {
        // Better the contents than nothing at all.
        Present(ContentsUrl());
        return HelpResult::UnknownContext;
    }
    Present(url);
    return HelpResult::Shown;
}

HelpResult HelpSystem::ShowContextOf(const QWidget* widget) {
    return ShowContext(HelpContextOf(widget));
}

QUrl HelpSystem::TopicUrl(int context) {
    if (context == 0 || !EnsureEngine()) {
        return {};
    }
    const QList<QHelpLink> links = engine_->documentsForIdentifier(QString::number(context));
    return links.isEmpty() ? QUrl() : links.first().url;
}

QUrl HelpSystem::ContentsUrl() {
    if (!EnsureEngine()) {
        return {};
    }
    QUrl url;
    url.setScheme(QStringLiteral("qthelp"));
    url.setHost(namespace_);
    url.setPath(QStringLiteral("/%1/%2").arg(QLatin1String(kVirtualFolder), QLatin1String(kContentsPage)));
    return url;
}

bool HelpSystem::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == HelpRequestType()) {
        ShowContextOf(qobject_cast<QWidget*>(watched));
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const auto* widget = qobject_cast<QWidget*>(watched);
            const int context = HelpContextOf(widget);
            if (context != 0) {
                if (!key->isAutoRepeat()) {
                    ShowContext(context);
                }
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool HelpSystem::EnsureEngine() {
    if (engine_) {
        return true;
    }
    const QFileInfo file(helpFile_);
    if (!file.isFile()) {
        Report(tr("The manual cannot be shown: its help file \"%1\" is missing.\n\n"
                  "Installing the game again puts it back.")
                   .arg(QDir::toNativeSeparators(helpFile_)));
        return false;
    }
    const QString helpNamespace = QHelpEngineCore::namespaceName(file.absoluteFilePath());
    if (helpNamespace.isEmpty()) {
        Report(tr("The manual cannot be shown: its help file \"%1\" cannot be read.\n\n"
                  "Installing the game again puts it back.")
                   .arg(QDir::toNativeSeparators(helpFile_)));
        return false;
    }
    namespace_ = helpNamespace;

    QString dir = cacheDir_.isEmpty() ? DefaultCacheDir() : cacheDir_;
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isWritable()) {
        // No cache to keep the collection in: keep it for this run only.
        fallbackDir_ = std::make_unique<QTemporaryDir>();
        dir = fallbackDir_->path();
    }
    collectionFile_ = QDir(dir).filePath(QLatin1String(kCollectionName));

    auto engine = std::make_unique<QHelpEngine>(collectionFile_);
    engine->setReadOnly(false);
    engine_ = std::move(engine);
    if (!engine_->setupData() || !RegisterHelpFile()) {
        const QString error = engine_->error();
        engine_.reset();
        Report(tr("The manual cannot be shown: the help file \"%1\" could not be opened (%2).")
                   .arg(QDir::toNativeSeparators(helpFile_), error));
        return false;
    }
    return true;
}

bool HelpSystem::RegisterHelpFile() {
    // The engine itself re-reads a rebuilt help file and forgets one that
    // is gone. Another installation of the game shares the cache and the
    // manual's name: its help file gives way to ours.
    const QFileInfo file(helpFile_);
    if (engine_->registeredDocumentations().contains(namespace_)) {
        if (QFileInfo(engine_->documentationFileName(namespace_)) == file) {
            return true;
        }
        if (!engine_->unregisterDocumentation(namespace_)) {
            return false;
        }
    }
    if (!engine_->registerDocumentation(file.absoluteFilePath()) || !engine_->setupData()) {
        return false;
    }
    engine_->searchEngine()->reindexDocumentation();
    indexed_ = true;
    return true;
}

void HelpSystem::Present(const QUrl& url) {
    if (url.isEmpty() || !engine_) {
        return;
    }
    if (!window_) {
        window_ = std::make_unique<HelpWindow>(*engine_, ContentsUrl());
        // An open manual does not keep the game running once its main
        // window has closed.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
        if (!indexed_) {
            // Brings a search index that went missing up to date.
            engine_->searchEngine()->scheduleIndexDocumentation();
            indexed_ = true;
        }
    }
    // Asked for from inside a modal window, the help window must be modal
    // too, or that window would keep it from being read or closed.
    const bool keepModal = window_->isVisible() && window_->windowModality() == Qt::ApplicationModal;
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted =
        keepModal || (modal != nullptr && modal != window_.get()) ? Qt::ApplicationModal : Qt::NonModal;
    if (window_->windowModality() != wanted) {
        window_->hide();
        window_->setWindowModality(wanted);
    }
    window_->ShowTopic(url);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void HelpSystem::Report(const QString& message) {
    if (reported_) {
        return;
    }
    reported_ = true;
    if (reporter_) {
        reporter_(message);
    }
}

} // namespace morrow
