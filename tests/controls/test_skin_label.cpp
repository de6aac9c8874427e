#include "controls/CSkinLabel.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's handler of web addresses.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

TEST(SkinLabel, OnlyALinkOpensItsTextWhenClicked) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "Open");
    CSkinLabel label(QStringLiteral("www.example.com"));
    label.resize(150, 20);
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));

    QTest::mouseClick(&label, Qt::LeftButton);
    EXPECT_TRUE(recorder.opened.isEmpty());

    label.SetLink(true);
    QTest::mousePress(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, {400, 5}); // released elsewhere: no click
    EXPECT_TRUE(recorder.opened.isEmpty());
    QTest::mouseClick(&label, Qt::LeftButton);
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.front(), QUrl(QStringLiteral("http://www.example.com")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

TEST(SkinLabel, FontOperationsChangeTheFont) {
    CSkinLabel label(QStringLiteral("Input Level"));
    label.SetBold(true);
    label.SetUnderline(true);
    label.SetHeight(16);
    label.SetFaceName(QStringLiteral("Tahoma"));
    EXPECT_EQ(label.font().weight(), QFont::Bold);
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.font().pixelSize(), 16);
    EXPECT_EQ(label.font().family(), QStringLiteral("Tahoma"));
    label.SetBold(false);
    EXPECT_EQ(label.font().weight(), QFont::Normal);
    EXPECT_EQ(label.font().pixelSize(), 16);
}

TEST(SkinLabel, TextIsNeverMarkup) {
    CSkinLabel label(QStringLiteral("<b>Live</b>.ocont2"));
    label.SetTextColour(QColor(0, 0, 255));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

} // namespace

#include "test_skin_label.moc"
