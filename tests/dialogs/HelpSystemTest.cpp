// SPDX-License-Identifier: GPL-3.0-or-later
// The help window on the built manual: contexts, contents, links, search,
// F1 and help buttons, a missing or moved help file. Offscreen, with the
// collection in a temporary cache directory.
#include "HelpSystem.h"
#include "HelpWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpSearchEngine>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using morrow::HelpResult;
using morrow::HelpSystem;

namespace {

const QString kHelpFile = QStringLiteral(MORROW_PROGRAM_DIR "/Morrow.hlp");

QString PageOf(const HelpSystem& help) {
    return help.Window() ? help.Window()->Browser()->source().fileName() : QString();
}

// Where on the browser's viewport the link to `href` is drawn.
QPoint LinkPosition(QTextBrowser& browser, const QString& href) {
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() == href) {
                QTextCursor cursor(browser.document());
                cursor.setPosition(fragment.position() + 1);
                browser.setTextCursor(cursor);
                browser.ensureCursorVisible();
                return browser.cursorRect(cursor).center();
            }
        }
    }
    return {-1, -1};
}

// Follows which windows a modal window blocks, as Qt tells them.
class BlockWatch final : public QObject {
public:
    BlockWatch() { QCoreApplication::instance()->installEventFilter(this); }
    bool IsBlocked(QObject* window) const { return blocked_.value(window, false); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowUnblocked) {
            blocked_[watched] = event->type() == QEvent::WindowBlocked;
        }
        return false;
    }

private:
    QHash<QObject*, bool> blocked_;
};

} // namespace

class HelpSystemTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void EveryContextOpensItsPage_data();
    void EveryContextOpensItsPage();
    void ContentsPageOpensWithTheContentsTree();
    void LinksLeadBetweenPagesAndBackAgain();
    void SearchFindsThePagesOfAWord();
    void F1ShowsTheFirstContextOutwardWithinTheWindow_data();
    void F1ShowsTheFirstContextOutwardWithinTheWindow();
    void HelpButtonInAModalDialogGivesAUsableHelpWindow();
    void OpenManualDoesNotKeepTheGameRunning();
    void MissingHelpFileIsReportedOnce();
    void EachInstallationShowsItsOwnHelpFile();

private:
    std::unique_ptr<QTemporaryDir> cache_;
    std::unique_ptr<HelpSystem> help_;
    QStringList reports_;
};

void HelpSystemTest::init() {
    QVERIFY2(QFile::exists(kHelpFile), "the manual has not been built");
    cache_ = std::make_unique<QTemporaryDir>();
    QVERIFY(cache_->isValid());
    // The collection belongs in the user's cache directory.
    qputenv("XDG_CACHE_HOME", cache_->path().toLocal8Bit());
    reports_.clear();
    help_ = std::make_unique<HelpSystem>(kHelpFile);
    help_->SetProblemReporter([this](const QString& message) { reports_ << message; });
}

void HelpSystemTest::cleanup() {
    help_.reset();
    QVERIFY2(reports_.isEmpty() ||
                 QTest::currentTestFunction() == QLatin1String("MissingHelpFileIsReportedOnce"),
             qPrintable(reports_.join(QLatin1Char('\n'))));
    cache_.reset();
}

void HelpSystemTest::EveryContextOpensItsPage_data() {
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("nudge") << 41001 << "nudge.html"
                           << "What's a Nudge?";
    QTest::newRow("main window") << 41003 << "playing.html"
                                 << "Playing the Game";
    QTest::newRow("borrow") << 41005 << "borrowing.html"
                            << "Borrowing and Paying Back";
    QTest::newRow("save and open") << 41008 << "saving.html"
                                   << "Saving and Opening Games";
    QTest::newRow("company") << 41009 << "company.html"
                             << "Company Information";
    QTest::newRow("payoff chart") << 41010 << "payoffs.html"
                                  << "The Payoff Chart";
}

// Each context number opens its own page, read out of the help file.
void HelpSystemTest::EveryContextOpensItsPage() {
    QFETCH(int, context);
    QFETCH(QString, page);
    QFETCH(QString, title);
    QCOMPARE(help_->ShowContext(context), HelpResult::Shown);
    QVERIFY(help_->Window()->isVisible());
    QCOMPARE(PageOf(*help_), page);
    QCOMPARE(help_->Window()->Browser()->documentTitle(), title);
    QVERIFY2(help_->CollectionFile().startsWith(cache_->path()), qPrintable(help_->CollectionFile()));
}

// The Help menu's manual command opens the contents page beside the full
// contents tree; the page's pictures come out of the help file too.
void HelpSystemTest::ContentsPageOpensWithTheContentsTree() {
    QCOMPARE(help_->ShowContents(), HelpResult::Shown);
    QCOMPARE(PageOf(*help_), QStringLiteral("index.html"));
    QCOMPARE(help_->Window()->Browser()->documentTitle(), QStringLiteral("Morrowmas Slots Manual"));

    auto* contents = help_->Window()->findChild<QHelpContentWidget*>(QStringLiteral("HelpContents"));
    QVERIFY(contents != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(contents->model()->rowCount() == 1, 10000);
    QCOMPARE(contents->model()->rowCount(contents->model()->index(0, 0)), 12);

    help_->ShowContext(41003);
    const QVariant picture = help_->Window()->Browser()->loadResource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("images/machine.png")));
    QVERIFY2(!QImage::fromData(picture.toByteArray()).isNull(), "the page's picture did not load");
}

// Clicking a link opens that page; Back and Forward step through the visits.
void HelpSystemTest::LinksLeadBetweenPagesAndBackAgain() {
    QCOMPARE(help_->ShowContents(), HelpResult::Shown);
    morrow::HelpWindow& window = *help_->Window();
    QTextBrowser& browser = *window.Browser();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint at = LinkPosition(browser, QStringLiteral("nudge.html"));
    QVERIFY2(at.x() >= 0, "no link to nudge.html on the contents page");
    QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(PageOf(*help_), QStringLiteral("nudge.html"));
    QCOMPARE(browser.documentTitle(), QStringLiteral("What's a Nudge?"));

    QVERIFY(window.BackAction()->isEnabled());
    window.BackAction()->trigger();
    QCOMPARE(PageOf(*help_), QStringLiteral("index.html"));
    window.ForwardAction()->trigger();
    QCOMPARE(PageOf(*help_), QStringLiteral("nudge.html"));
    window.HomeAction()->trigger();
    QCOMPARE(PageOf(*help_), QStringLiteral("index.html"));
}

// The full-text search is indexed from the help file and finds a word that
// only the nudge page uses.
void HelpSystemTest::SearchFindsThePagesOfAWord() {
    QCOMPARE(help_->ShowContents(), HelpResult::Shown);
    QHelpSearchEngine* search = help_->Engine()->searchEngine();
    QSignalSpy finished(search, &QHelpSearchEngine::searchingFinished);
    // The index is built in the background; ask until it answers.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            search->search(QStringLiteral("grumble"));
            return finished.wait(2000) && search->searchResultCount() > 0;
        }(),
        20000);
    QCOMPARE(search->searchResultCount(), 1);
    QCOMPARE(search->searchResults(0, 1).first().url().fileName(), QStringLiteral("nudge.html"));
}

void HelpSystemTest::F1ShowsTheFirstContextOutwardWithinTheWindow_data() {
    QTest::addColumn<int>("windowContext");
    QTest::addColumn<int>("frameContext");
    QTest::addColumn<int>("ownerContext");
    QTest::addColumn<QString>("page");
    QTest::newRow("window's context") << 41008 << 0 << 0 << "saving.html";
    QTest::newRow("nearest context wins") << 41003 << 41005 << 0 << "borrowing.html";
    QTest::newRow("none at all") << 0 << 0 << 0 << "";
    QTest::newRow("owner window's context stays out") << 0 << 0 << 41003 << "";
}

// F1 in a line edit inside a frame inside a window that a main window owns:
// the first context from the edit outward, never the owner's.
void HelpSystemTest::F1ShowsTheFirstContextOutwardWithinTheWindow() {
    QFETCH(int, windowContext);
    QFETCH(int, frameContext);
    QFETCH(int, ownerContext);
    QFETCH(QString, page);
    help_->ListenOn(*QCoreApplication::instance());

    QWidget owner;
    owner.setProperty(morrow::kHelpContextProperty, ownerContext);
    QDialog window(&owner);
    window.setProperty(morrow::kHelpContextProperty, windowContext);
    auto* frame = new QWidget(&window);
    frame->setProperty(morrow::kHelpContextProperty, frameContext);
    auto* edit = new QLineEdit(frame);
    (new QVBoxLayout(&window))->addWidget(frame);
    (new QVBoxLayout(frame))->addWidget(edit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_F1);
    QCOMPARE(PageOf(*help_), page);
    QCOMPARE(help_->Window() != nullptr && help_->Window()->isVisible(), !page.isEmpty());
}

// A Help button of a modal dialog opens the page of its context in a help
// window the dialog does not block; once help closes, the dialog is free.
void HelpSystemTest::HelpButtonInAModalDialogGivesAUsableHelpWindow() {
    help_->ListenOn(*QCoreApplication::instance());
    BlockWatch watch;
    QDialog dialog;
    dialog.setProperty(morrow::kHelpContextProperty, 41008);
    auto* button = new QPushButton(QStringLiteral("&Help"), &dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, [button] { morrow::RequestHelp(*button); });
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(QApplication::activeModalWidget(), &dialog);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(PageOf(*help_), QStringLiteral("saving.html"));
    QVERIFY(help_->Window()->isVisible());
    QVERIFY2(!watch.IsBlocked(help_->Window()), "the modal dialog blocks the help window");
    QVERIFY(watch.IsBlocked(&dialog));

    // Asked again while it is up, help stays usable.
    QCOMPARE(help_->ShowContext(41001), HelpResult::Shown);
    QVERIFY(!watch.IsBlocked(help_->Window()));

    help_->Window()->close();
    QVERIFY2(!watch.IsBlocked(&dialog), "the dialog stays blocked after help closed");
}

// Closing the last game window ends the program although the manual is
// still open.
void HelpSystemTest::OpenManualDoesNotKeepTheGameRunning() {
    QWidget game;
    game.show();
    QVERIFY(QTest::qWaitForWindowExposed(&game));
    QCOMPARE(help_->ShowContents(), HelpResult::Shown);

    bool endedByItself = true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&endedByItself] {
        endedByItself = false;
        QCoreApplication::quit();
    });
    guard.start(5000);
    QTimer::singleShot(0, &game, &QWidget::close);
    QApplication::exec();
    QVERIFY2(endedByItself, "the open manual kept the program running");
}

// Without its help file the game says so once, whatever is asked, and
// no window opens.
void HelpSystemTest::MissingHelpFileIsReportedOnce() {
    const QString missing = cache_->filePath(QStringLiteral("nowhere/Morrow.hlp"));
    help_ = std::make_unique<HelpSystem>(missing);
    help_->SetProblemReporter([this](const QString& message) { reports_ << message; });
    help_->ListenOn(*QCoreApplication::instance());

    QCOMPARE(help_->ShowContents(), HelpResult::Unavailable);
    QCOMPARE(help_->ShowContext(41001), HelpResult::Unavailable);
    QWidget window;
    window.setProperty(morrow::kHelpContextProperty, 41003);
    window.show();
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(help_->ShowContext(41009), HelpResult::Unavailable);

    QCOMPARE(reports_.size(), 1);
    QVERIFY2(reports_.first().contains(QStringLiteral("Morrow.hlp")), qPrintable(reports_.first()));
    QVERIFY(help_->Window() == nullptr);
    reports_.clear();
}

// Two installations of the game share the cache: each shows its own help
// file, not the one registered first.
void HelpSystemTest::EachInstallationShowsItsOwnHelpFile() {
    QTemporaryDir installs;
    const QString first = installs.filePath(QStringLiteral("first/Morrow.hlp"));
    const QString second = installs.filePath(QStringLiteral("second/Morrow.hlp"));
    QVERIFY(QDir().mkpath(QFileInfo(first).path()) && QDir().mkpath(QFileInfo(second).path()));
    QVERIFY(QFile::copy(kHelpFile, first) && QFile::copy(kHelpFile, second));

    for (const QString& file : {first, second, first}) {
        help_ = std::make_unique<HelpSystem>(file);
        help_->SetProblemReporter([this](const QString& message) { reports_ << message; });
        QCOMPARE(help_->ShowContext(41010), HelpResult::Shown);
        QCOMPARE(help_->Window()->Browser()->documentTitle(), QStringLiteral("The Payoff Chart"));
        const QString shown = help_->Engine()->documentationFileName(QHelpEngineCore::namespaceName(file));
        QVERIFY2(QFileInfo(shown) == QFileInfo(file),
                 qPrintable(shown + QStringLiteral(" instead of ") + file));
    }
}

QTEST_MAIN(HelpSystemTest)
#include "HelpSystemTest.moc"
