// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: the manual's contents, index and search beside the page
// being read, with back, forward and home.
#pragma once

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

class QAction;
class QHelpEngine;
class QLineEdit;
class QTabWidget;

namespace morrow {

// Shows the manual's pages straight out of the help file: qthelp:// pages,
// their pictures and style sheet come from the engine; a web or mail link
// goes to the desktop's own program instead.
class HelpBrowser final : public QTextBrowser {
    Q_OBJECT

public:
    HelpBrowser(QHelpEngine& engine, QWidget* parent);

    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& url, QTextDocument::ResourceType type) override;

private:
    QHelpEngine& engine_;
};

class HelpWindow final : public QMainWindow {
    Q_OBJECT

public:
    // `home`: the contents page, for the Home button.
    HelpWindow(QHelpEngine& engine, QUrl home, QWidget* parent = nullptr);

    // Opens a page (with an optional #fragment) and adds it to the history.
    void ShowTopic(const QUrl& url);

    HelpBrowser* Browser() const { return browser_; }
    QTabWidget* Tabs() const { return tabs_; }
    QLineEdit* IndexFilter() const { return indexFilter_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }
    QAction* HomeAction() const { return home_; }

private:
    void SetUpActions();
    QWidget* MakeIndexPage();
    QWidget* MakeSearchPage();
    void SelectInContents(const QUrl& url);

    QHelpEngine& engine_;
    QUrl homeUrl_;
    HelpBrowser* browser_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* indexFilter_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* home_ = nullptr;
};

} // namespace morrow
