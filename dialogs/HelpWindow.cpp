// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpWindow.h"

#include "TGoToWeb.h"

#include <QAction>
#include <QGuiApplication>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace morrow {

namespace {

constexpr char kWindowTitle[] = "Morrowmas Slots Manual";
constexpr char kHelpScheme[] = "qthelp";
// Room between the page and the browser's frame.
constexpr qreal kPageMargin = 12;

bool IsHelpUrl(const QUrl& url) {
    return url.scheme() == QLatin1String(kHelpScheme);
}

} // namespace

HelpBrowser::HelpBrowser(QHelpEngine& engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {
    setOpenLinks(true);
    setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (IsHelpUrl(url)) {
        QUrl file = url;
        file.setFragment(QString());
        // On high-resolution screens a picture's 2x version ("name@2x.png")
        // when the manual has one, shown at the 1x picture's size.
        if (type == QTextDocument::ImageResource && devicePixelRatioF() > 1.0) {
            QUrl sharp = file;
            QString path = sharp.path();
            const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
            if (dot > path.lastIndexOf(QLatin1Char('/'))) {
                sharp.setPath(path.insert(dot, QStringLiteral("@2x")));
                QImage image = QImage::fromData(engine_.fileData(sharp));
                if (!image.isNull()) {
                    image.setDevicePixelRatio(2);
                    return image;
                }
            }
        }
        return engine_.fileData(file);
    }
    return QTextBrowser::loadResource(type, url);
}

void HelpBrowser::doSetSource(const QUrl& url, QTextDocument::ResourceType type) {
    const QUrl resolved = url.isRelative() ? source().resolved(url) : url;
    if (!IsHelpUrl(resolved) && !resolved.isRelative() && resolved.scheme() != QLatin1String("file")) {
        // A web or mail address: the desktop's browser or mail program.
        OpenWithDesktop(QString::fromLatin1(resolved.toEncoded()), PlayerEnvironment());
        return;
    }
    QTextBrowser::doSetSource(resolved, type);
    document()->setDocumentMargin(kPageMargin);
}

HelpWindow::HelpWindow(QHelpEngine& engine, QUrl home, QWidget* parent)
    : QMainWindow(parent), engine_(engine), homeUrl_(std::move(home)) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setObjectName(QStringLiteral("HelpWindow"));

    browser_ = new HelpBrowser(engine_, this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));

    tabs_ = new QTabWidget(this);
    QHelpContentWidget* contents = engine_.contentWidget();
    contents->setObjectName(QStringLiteral("HelpContents"));
    tabs_->addTab(contents, tr("&Contents"));
    tabs_->addTab(MakeIndexPage(), tr("&Index"));
    tabs_->addTab(MakeSearchPage(), tr("&Search"));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 680});
    setCentralWidget(splitter);

    SetUpActions();

    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::ShowTopic);
    // The contents are read from the help file in the background; once they
    // are there, show them all and mark the page being read.
    connect(engine_.contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandAll();
        SelectInContents(browser_->source());
    });
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() || title == QLatin1String(kWindowTitle)
                           ? QString::fromLatin1(kWindowTitle)
                           : title + QStringLiteral(" - ") + QString::fromLatin1(kWindowTitle));
        SelectInContents(url);
    });

    // Big enough for the pictures beside the contents, never bigger than
    // the screen.
    QSize size(900, 660);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
}

void HelpWindow::ShowTopic(const QUrl& url) {
    if (url.isEmpty()) {
        return;
    }
    if (browser_->source() == url) {
        browser_->reload();
        return;
    }
    browser_->setSource(url);
}

void HelpWindow::SetUpActions() {
    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setObjectName(QStringLiteral("HelpNavigation"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("&Back"));
    back_->setShortcut(QKeySequence::Back);
    back_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);

    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("&Forward"));
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);

    home_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("&Home"));
    connect(home_, &QAction::triggered, this, [this] { ShowTopic(homeUrl_); });

    bar->addSeparator();
    QAction* larger = bar->addAction(tr("Larger Text"));
    larger->setShortcut(QKeySequence::ZoomIn);
    connect(larger, &QAction::triggered, browser_, [this] { browser_->zoomIn(1); });
    QAction* smaller = bar->addAction(tr("Smaller Text"));
    smaller->setShortcut(QKeySequence::ZoomOut);
    connect(smaller, &QAction::triggered, browser_, [this] { browser_->zoomOut(1); });
}

QWidget* HelpWindow::MakeIndexPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(tr("&Look for:"), page);
    indexFilter_ = new QLineEdit(page);
    indexFilter_->setObjectName(QStringLiteral("HelpIndexFilter"));
    indexFilter_->setClearButtonEnabled(true);
    label->setBuddy(indexFilter_);
    QHelpIndexWidget* index = engine_.indexWidget();
    index->setObjectName(QStringLiteral("HelpIndex"));
    layout->addWidget(label);
    layout->addWidget(indexFilter_);
    layout->addWidget(index);

    connect(indexFilter_, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(indexFilter_, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { ShowTopic(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                if (!documents.isEmpty()) {
                    ShowTopic(documents.first().url);
                }
            });
    return page;
}

QWidget* HelpWindow::MakeSearchPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    QHelpSearchEngine* search = engine_.searchEngine();
    QHelpSearchQueryWidget* query = search->queryWidget();
    query->setObjectName(QStringLiteral("HelpSearchQuery"));
    QHelpSearchResultWidget* results = search->resultWidget();
    results->setObjectName(QStringLiteral("HelpSearchResults"));
    layout->addWidget(query);
    layout->addWidget(results, 1);

    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::ShowTopic);
    return page;
}

void HelpWindow::SelectInContents(const QUrl& url) {
    QUrl page = url;
    page.setFragment(QString());
    QHelpContentWidget* contents = engine_.contentWidget();
    const QModelIndex item = contents->indexOf(page);
    if (item.isValid()) {
        contents->setCurrentIndex(item);
    }
}

} // namespace morrow
