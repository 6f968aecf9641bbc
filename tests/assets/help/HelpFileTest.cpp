// SPDX-License-Identifier: GPL-3.0-or-later
// The built manual, read back through the help engine the game uses.
#include "Reels.h"

#include <QHelpContentItem>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QString TitleOf(const QByteArray& html) {
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    return title.match(QString::fromUtf8(html)).captured(1);
}

QString Decoded(QString text) {
    return text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

} // namespace

class HelpFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void ContentsListEveryPageUnderItsTitle();
    void LinksPicturesAndStyleResolveInsideTheFile();
    void PayTableAgreesWithTheGame();
    void cleanupTestCase();

private:
    QByteArray Data(const QUrl& url) const { return engine_->fileData(url); }

    QTemporaryDir cache_;
    std::unique_ptr<QHelpEngine> engine_;
    QString namespace_;
    QList<QUrl> pages_;
};

void HelpFileTest::initTestCase() {
    QVERIFY2(cache_.isValid(), "no temporary directory for the collection");
    engine_ = std::make_unique<QHelpEngine>(cache_.filePath(QStringLiteral("test.qhc")));
    engine_->setReadOnly(false);
    QVERIFY2(engine_->setupData(), qPrintable(engine_->error()));
    QVERIFY2(engine_->registerDocumentation(QStringLiteral(MORROW_HELP_FILE)),
             qPrintable(QStringLiteral("cannot register %1: %2")
                            .arg(QStringLiteral(MORROW_HELP_FILE), engine_->error())));
    namespace_ = QHelpEngineCore::namespaceName(QStringLiteral(MORROW_HELP_FILE));
    QVERIFY2(!namespace_.isEmpty(), "the help file names no namespace");
    pages_ = engine_->files(namespace_, QString(), QStringLiteral("html"));
    QVERIFY2(pages_.size() >= 10,
             qPrintable(QStringLiteral("only %1 pages in the manual").arg(pages_.size())));
}

void HelpFileTest::cleanupTestCase() {
    engine_.reset();
}

// The contents tree names every page exactly once, under the page's own
// title, so no page is lost and no entry is mislabelled.
void HelpFileTest::ContentsListEveryPageUnderItsTitle() {
    QHelpContentModel* model = engine_->contentModel();
    QSignalSpy created(model, &QHelpContentModel::contentsCreated);
    model->createContents(QString());
    QVERIFY2(created.wait(10000), "the contents were never read");

    std::vector<const QHelpContentItem*> items;
    std::vector<const QHelpContentItem*> open{model->contentItemAt(model->index(0, 0))};
    QVERIFY2(open.front() != nullptr, "the contents are empty");
    while (!open.empty()) {
        const QHelpContentItem* item = open.back();
        open.pop_back();
        items.push_back(item);
        for (int i = 0; i < item->childCount(); ++i) {
            open.push_back(item->child(i));
        }
    }
    QCOMPARE(items.front()->url().fileName(), QStringLiteral("index.html"));

    QStringList listed;
    for (const QHelpContentItem* item : items) {
        const QByteArray html = Data(item->url());
        QVERIFY2(!html.isEmpty(),
                 qPrintable(QStringLiteral("contents entry \"%1\" leads to a missing page %2")
                                .arg(item->title(), item->url().toString())));
        QCOMPARE(Decoded(TitleOf(html)), item->title());
        QVERIFY2(!listed.contains(item->url().fileName()),
                 qPrintable(QStringLiteral("%1 is listed twice").arg(item->url().fileName())));
        listed << item->url().fileName();
    }
    for (const QUrl& page : pages_) {
        QVERIFY2(listed.contains(page.fileName()),
                 qPrintable(
                     QStringLiteral("%1 is in the help file but not in the contents").arg(page.fileName())));
    }
}

// Every href and src of every page, and every #fragment, lands on something
// inside the help file; pictures decode.
void HelpFileTest::LinksPicturesAndStyleResolveInsideTheFile() {
    static const QRegularExpression link(QStringLiteral("(href|src)=\"([^\"]*)\""));
    int checked = 0;
    for (const QUrl& page : pages_) {
        const QString html = QString::fromUtf8(Data(page));
        for (auto match = link.globalMatch(html); match.hasNext();) {
            const QRegularExpressionMatch m = match.next();
            const QString target = m.captured(2);
            const QUrl url = page.resolved(QUrl(target));
            const QString where = QStringLiteral("%1 -> %2").arg(page.fileName(), target);
            QVERIFY2(url.scheme() == QLatin1String("qthelp") && url.host() == namespace_,
                     qPrintable(where + QStringLiteral(" leaves the manual")));
            QUrl file = url;
            file.setFragment(QString());
            const QByteArray data = Data(file);
            QVERIFY2(!data.isEmpty(), qPrintable(where + QStringLiteral(" is not in the help file")));
            if (m.captured(1) == QLatin1String("src")) {
                const QImage picture = QImage::fromData(data);
                QVERIFY2(!picture.isNull(), qPrintable(where + QStringLiteral(" is no picture")));
                // A picture is shown at its own size: the browser scales
                // without smoothing, which spoils the art.
                static const QRegularExpression size(
                    QStringLiteral("^[^>]*width=\"(\\d+)\" height=\"(\\d+)\""));
                const QRegularExpressionMatch given = size.match(html.mid(m.capturedEnd()));
                if (given.hasMatch()) {
                    QVERIFY2(QSize(given.captured(1).toInt(), given.captured(2).toInt()) == picture.size(),
                             qPrintable(where + QStringLiteral(" is shown at another size than its own")));
                }
            }
            if (url.hasFragment()) {
                const QString anchor = QStringLiteral("name=\"%1\"").arg(url.fragment());
                QVERIFY2(QString::fromUtf8(data).contains(anchor),
                         qPrintable(where + QStringLiteral(" names a missing anchor")));
            }
            ++checked;
        }
    }
    QVERIFY2(checked > 50, qPrintable(QStringLiteral("only %1 links found").arg(checked)));
}

// The pay table page quotes, for 1, 2 and 3 coins, exactly what the game's
// pay table pays, and has a row for every symbol.
void HelpFileTest::PayTableAgreesWithTheGame() {
    QUrl pageUrl;
    for (const QUrl& page : pages_) {
        if (page.fileName() == QLatin1String("paytable.html")) {
            pageUrl = page;
        }
    }
    QVERIFY2(pageUrl.isValid(), "no paytable.html in the manual");
    const QString html = QString::fromUtf8(Data(pageUrl));

    static const QRegularExpression symbolPicture(QStringLiteral("images/symbol(\\d)\\.png"));
    static const QRegularExpression payCell(QStringLiteral("<td class=\"pay\"[^>]*>(\\d+)</td>"));
    QMap<int, QList<int>> quoted; // symbol -> pays for 1, 2, 3 coins
    QMap<int, QString> rows;
    for (const QString& row : html.split(QStringLiteral("<tr"))) {
        const QRegularExpressionMatch symbol = symbolPicture.match(row);
        if (!symbol.hasMatch()) {
            continue;
        }
        QList<int> pays;
        for (auto cell = payCell.globalMatch(row); cell.hasNext();) {
            pays << cell.next().captured(1).toInt();
        }
        quoted[symbol.captured(1).toInt()] = pays;
        rows[symbol.captured(1).toInt()] = row;
    }

    for (const morrow::PayRow& row : morrow::kPayTable) {
        QVERIFY2(quoted.contains(row.symbol),
                 qPrintable(QStringLiteral("no row for symbol %1").arg(row.symbol)));
        if (row.symbol == morrow::kBonusSymbol) {
            QVERIFY2(quoted[row.symbol].isEmpty() &&
                         rows[row.symbol].contains(QStringLiteral("Trick or Treat")),
                     "the bonus row should open Trick or Treat and pay nothing itself");
            continue;
        }
        const QList<int> expected{row.payPerCoin, 2 * row.payPerCoin, 3 * row.payPerCoin};
        QVERIFY2(quoted[row.symbol] == expected,
                 qPrintable(QStringLiteral("symbol %1 is quoted wrongly").arg(row.symbol)));
    }
    const int k = morrow::kStakeBackPerCoin;
    QVERIFY2(quoted.value(morrow::kWildSymbol) == (QList<int>{k, 2 * k, 3 * k}),
             "the wild alone should give the coins back");
}

QTEST_MAIN(HelpFileTest)
#include "HelpFileTest.moc"
