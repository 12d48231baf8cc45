#include "ui/QtMessageBox.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/Encoding.h"
#include "ui/QtTranslation.h"

namespace {

MessageBoxRequest Request(const char* textUtf8, MessageIcon icon, MessageButtons buttons,
                          MessageDelivery delivery) {
    MessageBoxRequest request;
    request.caption = std::string(kMessageCaption);
    request.text = Utf8ToCp932(textUtf8);
    request.icon = icon;
    request.buttons = buttons;
    request.delivery = delivery;
    return request;
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    bool onTop = false;
    Qt::TextFormat format = Qt::AutoText;
    QWidget* parent = nullptr;
    QString cancelText;
    int width = 0;
};

SeenBox Describe(QMessageBox* box) {
    QAbstractButton* cancel = box->button(QMessageBox::Cancel);
    return {box->windowTitle(),
            box->text(),
            box->icon(),
            box->standardButtons(),
            box->isModal(),
            box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
            box->textFormat(),
            box->parentWidget(),
            cancel ? cancel->text() : QString(),
            box->width()};
}

QMessageBox* VisibleBox() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
    return nullptr;
}

// Presses button of the next box that appears, once the event loop runs.
void AnswerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    QTimer::singleShot(0, [button, &seen] {
        QMessageBox* box = VisibleBox();
        ASSERT_NE(box, nullptr);
        seen = Describe(box);
        box->button(button)->click();
    });
}

}  // namespace

TEST(QtMessageBox, ModalBoxOnTheUiThreadShowsTheConvertedTextAndReturnsTheButton) {
    SeenBox seen;
    AnswerNextBox(QMessageBox::Cancel, seen);
    EXPECT_EQ(ShowQtMessageBox(Request("表示データをクリアします。よろしいですか？",
                                       MessageIcon::Information, MessageButtons::OkCancel,
                                       MessageDelivery::Wait)),
              MessageAnswer::Cancel);
    EXPECT_EQ(seen.title, "Olix Trap Receiver - v3.03");
    EXPECT_EQ(seen.text, "表示データをクリアします。よろしいですか？");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

    AnswerNextBox(QMessageBox::Ok, seen);
    EXPECT_EQ(ShowQtMessageBox(Request("<b>community</b>", MessageIcon::Information,
                                       MessageButtons::Ok, MessageDelivery::Wait)),
              MessageAnswer::Ok);
    EXPECT_EQ(seen.format, Qt::PlainText) << "trap data is shown as it is, never as markup";

    AnswerNextBox(QMessageBox::Ok, seen);
    EXPECT_EQ(ShowQtMessageBox(Request("Port bind error", MessageIcon::Stop, MessageButtons::Ok,
                                       MessageDelivery::Wait)),
              MessageAnswer::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST(QtMessageBox, BoxBelongsToTheRaisingDialogWithJapaneseButtonsAndRoomForItsCaption) {
    ASSERT_TRUE(InstallQtTranslation()) << "qtbase_ja.qm is missing";
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    SeenBox seen;
    AnswerNextBox(QMessageBox::Ok, seen);
    ShowQtMessageBox(
        Request("削除", MessageIcon::Information, MessageButtons::OkCancel, MessageDelivery::Wait));
    EXPECT_EQ(seen.parent, &dialog);
    EXPECT_EQ(seen.cancelText, "キャンセル");
    // A title bar needs room for its buttons besides the caption.
    EXPECT_GT(seen.width, QFontMetrics(dialog.font()).horizontalAdvance(seen.title) + 100);
}

TEST(QtMessageBox, ModalBoxFromAnotherThreadWaitsForTheAnswerOnTheUiThread) {
    std::atomic<bool> returned{false};
    bool modal = false;
    bool callerWaited = false;
    // The box runs its own modal loop on this thread: it is answered from inside that loop.
    QTimer answerer;
    answerer.setInterval(20);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (QMessageBox* box = VisibleBox()) {
            modal = box->isModal();
            callerWaited = !returned.load();
            box->button(QMessageBox::Cancel)->click();
            answerer.stop();
        }
    });
    answerer.start();
    MessageAnswer answer = MessageAnswer::Ok;
    std::thread caller([&] {
        answer = ShowQtMessageBox(Request("question", MessageIcon::Information,
                                          MessageButtons::OkCancel, MessageDelivery::Wait));
        returned = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
    caller.join();
    EXPECT_TRUE(modal);
    EXPECT_TRUE(callerWaited) << "the caller must wait for the answer";
    EXPECT_EQ(answer, MessageAnswer::Cancel);
}

TEST(QtMessageBox, PostedBoxLetsTheCallerGoOnAndShowsLaterEvenAfterItsWindowCloses) {
    // A window that goes away by itself, as the splash does, while the box is still up.
    auto* window = new QDialog;
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    std::thread caller([] {
        EXPECT_EQ(ShowQtMessageBox(Request("/x/db/EventDB.na Access Error", MessageIcon::Stop,
                                           MessageButtons::Ok, MessageDelivery::Post)),
                  MessageAnswer::Ok);
    });
    caller.join();  // returned without any event processing on this thread
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = VisibleBox()) != nullptr; }, 5000));
    EXPECT_EQ(box->text(), "/x/db/EventDB.na Access Error");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    delete window;
    ASSERT_EQ(VisibleBox(), box);
    box->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return VisibleBox() == nullptr; }, 5000));
}

TEST(QtMessageBox, ModelessBoxStaysOnTopAndReportsItsClosing) {
    std::atomic<int> closed{0};
    MessageBoxRequest request = Request("メッセージ表示を一時停止します。", MessageIcon::Warning,
                                        MessageButtons::Ok, MessageDelivery::Modeless);
    request.alwaysOnTop = true;
    request.onClosed = [&] { ++closed; };
    EXPECT_EQ(ShowQtMessageBox(std::move(request)), MessageAnswer::Ok);
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = VisibleBox()) != nullptr; }, 5000));
    const SeenBox seen = Describe(box);
    EXPECT_FALSE(seen.modal);
    EXPECT_TRUE(seen.onTop);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(closed.load(), 0);
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.load() == 1; }, 5000));
}

TEST(QtMessageBox, PopupsOpenSteppedApartNotOnTopOfEachOther) {
    for (const char* text : {"first", "second"})
        ShowQtMessageBox(
            Request(text, MessageIcon::Information, MessageButtons::Ok, MessageDelivery::Modeless));
    std::vector<QMessageBox*> boxes;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            boxes.clear();
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget);
                    box && box->isVisible() && (box->text() == "first" || box->text() == "second"))
                    boxes.push_back(box);
            return boxes.size() == 2;
        },
        5000));
    std::sort(boxes.begin(), boxes.end(),
              [](QMessageBox* a, QMessageBox* b) { return a->text() < b->text(); });
    const QPoint step = boxes[1]->pos() - boxes[0]->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_GT(step.y(), 0);
    for (QMessageBox* box : boxes) box->button(QMessageBox::Ok)->click();
}
