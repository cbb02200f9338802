#include "TestSupport.h"
#include "app/Driver.h"
#include "app/gui/Form1.h"
#include "app/gui/QtFrontEnd.h"
#include "platform/Regional.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace hortivex {
namespace {

using test::TempDir;

struct FakeChooser : FileChooser {
    std::optional<std::vector<std::filesystem::path>> answer;
    std::vector<ChooserRequest> requests;
    std::optional<std::vector<std::filesystem::path>>
    Choose(const ChooserRequest& request) override {
        requests.push_back(request);
        return answer;
    }
};

// Records each message with the state of the dialog at the moment it is shown.
struct RecordingMessages : Messages {
    struct Shown {
        std::string text;
        bool buttonsEnabled;
        int position, maximum;
    };
    TForm1* form = nullptr;
    std::vector<Shown> shown;
    std::function<void()> whileShown;
    void Information(const std::string& text) override { Record(text); }
    std::string detail; // of the last error
    void Error(const std::string& text, const std::string& why) override {
        detail = why;
        Record(text);
    }
    void Plain(const std::string& text) override { Record(text); }
    void Record(const std::string& text) {
        auto* pb1 = form->findChild<QProgressBar*>("pb1");
        shown.push_back({text,
                         form->findChild<QPushButton*>("btn1")->isEnabled() ||
                             form->findChild<QPushButton*>("btn2")->isEnabled(),
                         pb1->value(), pb1->maximum()});
        if (auto once = std::exchange(whileShown, nullptr))
            once();
    }
};

class FormTest : public ::testing::Test {
protected:
    FormTest() : settings_(MakeMemorySettingsStore()) {
        form_ = std::make_unique<TForm1>(chooser_, messages_, *settings_, dir_.path() / "");
        messages_.form = form_.get();
    }
    template <class T> T* Child(const char* name) { return form_->findChild<T*>(name); }

    TempDir dir_;
    std::shared_ptr<SettingsStore> settings_;
    FakeChooser chooser_;
    RecordingMessages messages_;
    std::unique_ptr<TForm1> form_;
};

TEST_F(FormTest, DialogAndControlsHaveTheirLayoutTextsAndFonts) {
    EXPECT_EQ(form_->windowTitle(), "Converter");
    EXPECT_EQ(form_->minimumSize(), QSize(623, 180));
    EXPECT_EQ(form_->maximumSize(), QSize(623, 180));
    EXPECT_FALSE(form_->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    struct Row {
        const char* name;
        const char* parent;
        QRect geometry;
        QString text;
        int fontPixels;
    };
    const Row rows[] = {
        {"lbl1",
         "Form1",
         {8, 7, 608, 63},
         "Please press button below to choose Hortivex classic settings file. System will put "
         "converted file to the same folder as original file. Converted file can be uploaded to "
         "Hortivex using web  site. Please read user's manual for details",
         17},
        {"btn1", "Form1", {8, 152, 121, 25}, "Choose file", 16},
        {"grp1", "Form1", {8, 72, 610, 73}, "Progress", 16},
        {"pb1", "grp1", {8, 24, 590, 33}, "", 16},
        {"btn2", "Form1", {496, 150, 121, 25}, "Close", 16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* widget = Child<QWidget>(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.parent);
        EXPECT_EQ(widget->geometry(), row.geometry);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            text = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            text = group->title();
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(widget->font().family(), "Arial");
        EXPECT_EQ(widget->font().pixelSize(), row.fontPixels);
    }
    auto* pb1 = Child<QProgressBar>("pb1");
    EXPECT_EQ(std::make_tuple(pb1->minimum(), pb1->maximum(), pb1->value()),
              std::make_tuple(0, 100, 0));
}

TEST_F(FormTest, ExplanationShowsAllThreeLinesWholeAboveTheGroup) {
    auto* label = Child<QLabel>("lbl1");
    form_->show();
    EXPECT_EQ(label->logicalDpiY(), 96);
    // The label draws plain text with these flags inside its contents rectangle.
    const QRect room = label->contentsRect();
    const QFontMetrics metrics(label->font());
    const QRect text =
        metrics.boundingRect(room, Qt::TextWordWrap | label->alignment(), label->text());
    EXPECT_EQ(text.height(), 2 * metrics.lineSpacing() + metrics.height())
        << "three lines with " << QFontInfo(label->font()).family().toStdString();
    EXPECT_TRUE(room.contains(text)) << "text " << text.top() << ".." << text.bottom() << " in "
                                     << room.top() << ".." << room.bottom();
    EXPECT_LE(label->geometry().bottom(), Child<QGroupBox>("grp1")->geometry().top());
}

TEST_F(FormTest, BatchDisablesButtonsAndRefusesCloseOrSecondRunUntilItEnds) {
    chooser_.answer = std::vector<std::filesystem::path>{dir_ / "x.txt", dir_ / "y"};
    form_->show();
    messages_.whileShown = [&] {
        form_->reject();
        form_->btn1Click();
    };
    Child<QPushButton>("btn1")->click();

    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kSuccessMessage);
    EXPECT_FALSE(messages_.shown[0].buttonsEnabled);
    EXPECT_EQ(messages_.shown[0].position, 2);
    EXPECT_EQ(messages_.shown[0].maximum, 2);
    ASSERT_EQ(chooser_.requests.size(), 1u);
    EXPECT_EQ(chooser_.requests[0].initialFolder.string(), (dir_.path() / "").string());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(Child<QPushButton>("btn1")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("btn2")->isEnabled());
    EXPECT_EQ(Child<QProgressBar>("pb1")->value(), 0);

    Child<QPushButton>("btn2")->click();
    EXPECT_FALSE(form_->isVisible());
}

TEST_F(FormTest, CancelShowsNoMessageAndLeavesBarEmpty) {
    Child<QPushButton>("btn1")->click();
    EXPECT_EQ(chooser_.requests.size(), 1u);
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_EQ(Child<QProgressBar>("pb1")->value(), 0);
    EXPECT_TRUE(Child<QPushButton>("btn1")->isEnabled());
}

// Drags the local files onto the dialog and drops them; answers whether both were accepted.
bool DropFiles(QWidget& target, const std::vector<std::filesystem::path>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    urls << QUrl(QStringLiteral("https://example.org/remote.fvs"));
    data.setUrls(urls);
    const QPoint centre = target.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &drop);
    QCoreApplication::processEvents(); // the batch runs once the drop is answered
    return enter.isAccepted() && drop.isAccepted();
}

TEST_F(FormTest, DroppedFilesAndFolderRunTheBatchOfTheSameChosenFiles) {
    std::filesystem::create_directories(dir_ / "folder/sub");
    test::WriteFile(dir_ / "a.fvs", std::string(118, '\x02'));
    test::WriteFile(dir_ / "c.avs", std::string(177, '\x03'));
    test::WriteFile(dir_ / "b.txt", "x");
    for (const char* name : {"folder/e.fvd", "folder/d.ava", "folder/f.FVS", "folder/sub/g.fvs"})
        test::WriteFile(dir_ / name, std::string(20, '\x04'));
    const std::vector<std::filesystem::path> dropped = {dir_ / "a.fvs", dir_ / "folder",
                                                        dir_ / "b.txt", dir_ / "c.avs"};
    const std::vector<std::filesystem::path> chosen = {dir_ / "a.fvs", dir_ / "folder/d.ava",
                                                       dir_ / "folder/e.fvd", dir_ / "b.txt",
                                                       dir_ / "c.avs"};
    EXPECT_TRUE(form_->acceptDrops());

    // The bar's positions and maxima, the messages and the outputs of one run.
    struct Run {
        std::vector<std::pair<int, int>> bar;
        std::vector<std::string> messages;
        std::map<std::string, std::string> outputs;
    };
    auto record = [&](const std::function<void()>& start) {
        Run run;
        auto* pb1 = Child<QProgressBar>("pb1");
        auto connection = QObject::connect(pb1, &QProgressBar::valueChanged, [&](int value) {
            run.bar.emplace_back(value, pb1->maximum());
        });
        messages_.shown.clear();
        start();
        QObject::disconnect(connection);
        for (const auto& shown : messages_.shown)
            run.messages.push_back(shown.text);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
            if (entry.path().extension() == ".ini" && entry.path().filename() != "_HX.ini") {
                run.outputs[entry.path().string()] = test::ReadFile(entry.path());
                std::filesystem::remove(entry.path());
            }
        }
        return run;
    };
    chooser_.answer = chosen;
    const Run byChooser = record([&] { Child<QPushButton>("btn1")->click(); });
    const Run byDrop = record([&] { EXPECT_TRUE(DropFiles(*form_, dropped)); });

    EXPECT_EQ(byChooser.messages, std::vector<std::string>{kSuccessMessage});
    EXPECT_EQ(byChooser.outputs.size(), 4u);
    EXPECT_EQ(byDrop.bar, byChooser.bar);
    EXPECT_EQ(byDrop.messages, byChooser.messages);
    EXPECT_EQ(byDrop.outputs, byChooser.outputs);
    EXPECT_EQ(chooser_.requests.size(), 1u) << "a drop opens no chooser";
}

TEST_F(FormTest, DropDuringABatchOrWithoutLocalFilesIsRefused) {
    test::WriteFile(dir_ / "a.fvs", std::string(118, '\x02'));
    EXPECT_FALSE(DropFiles(*form_, {}));
    EXPECT_TRUE(messages_.shown.empty());

    chooser_.answer = std::vector<std::filesystem::path>{dir_ / "x.txt"};
    messages_.whileShown = [&] { EXPECT_FALSE(DropFiles(*form_, {dir_ / "a.fvs"})); };
    Child<QPushButton>("btn1")->click();
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "a.fvs.ini"));
}

TEST_F(FormTest, DroppedMonthLogsGiveACsvEachAndAChartPerControllerInTheBatch) {
    namespace fs = std::filesystem;
    InstallRegional(std::make_shared<FixedRegional>(","));
    const test::LogDropCase drop = test::MakeLogDrop(dir_.path());
    EXPECT_TRUE(DropFiles(*form_, drop.dropped));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kSuccessMessage);
    EXPECT_EQ(messages_.shown[0].position, drop.steps);
    EXPECT_EQ(messages_.shown[0].maximum, drop.steps);
    for (const auto& [csv, bytes] : drop.csvs)
        EXPECT_EQ(test::ReadFile(csv), bytes) << csv;
    for (const auto& [page, title] : drop.charts)
        EXPECT_NE(test::ReadFile(page).find(title), std::string::npos) << page;
    EXPECT_TRUE(fs::exists(drop.ini));

    // A log that cannot be read fails the batch by its name and leaves no file for it.
    const fs::path climate = drop.dropped.front();
    fs::create_symlink(dir_ / "missing", climate / "202403.avl");
    for (const auto& [page, title] : drop.charts)
        fs::remove(page);
    messages_.shown.clear();
    EXPECT_TRUE(DropFiles(*form_, {climate}));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kFailureMessage);
    EXPECT_NE(messages_.detail.find("202403.avl"), std::string::npos) << messages_.detail;
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(climate))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"202401.avl", "202401.avl.csv", "202402.avl",
                                           "202402.avl.csv", "202403.avl"}));
}

// The names the dialog's file list shows. The folder is read in the background: wait for the
// expected count, then a little longer, so that entries which should be hidden would show too.
std::set<std::string> ListedNames(QFileDialog& dialog, std::size_t expected) {
    auto* view = dialog.findChild<QListView*>("listView");
    std::set<std::string> names;
    QElapsedTimer timer;
    timer.start();
    qint64 until = 5000;
    while (timer.elapsed() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names.insert(view->model()->index(row, 0, root).data().toString().toStdString());
        if (names.size() >= expected && until == 5000)
            until = timer.elapsed() + 300;
    }
    return names;
}

TEST(ChooserTest, ShowsExactFilterTextAndListsExactlyTheFourKinds) {
    const QString filterText = "Config files (*.fvd, *.fvs, *.avs, *.ava)";
    // Matching ignores case as platform choosers do; the driver passes such files over.
    const std::set<std::string> expected = {"a.fvs", "b.fvd", "c.avs", "d.ava", "g.FVS"};
    for (bool pickFilterAgain : {false, true}) {
        SCOPED_TRACE(pickFilterAgain ? "after the user picks the filter again" : "as configured");
        TempDir dir;
        for (const char* name : {"a.fvs", "b.fvd", "c.avs", "d.ava", "e.txt", "f.fvs.bak", "g.FVS"})
            test::WriteFile(dir / name, "x");
        QFileDialog dialog;
        ConfigureChooser(dialog, MakeChooserRequest(dir.path().string() + "/"));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog.options(), QFileDialog::DontUseNativeDialog);
        EXPECT_EQ(dialog.directory().absolutePath().toStdString(), dir.path().string());
        auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(combo, nullptr);
        if (pickFilterAgain)
            emit combo->activated(0);
        EXPECT_EQ(combo->count(), 1);
        EXPECT_EQ(combo->currentText(), filterText);
        EXPECT_EQ(dialog.selectedNameFilter(), filterText);
        EXPECT_EQ(ListedNames(dialog, expected.size()), expected);
    }
}

TEST(QtMessagesTest, BoxesHaveTitleIconPlainTextDetailAndOneOkButton) {
    struct Row {
        std::function<void(Messages&)> call;
        const char* title;
        QMessageBox::Icon icon;
        const char* text;
        const char* detail;
    };
    const Row rows[] = {
        {[](Messages& m) { m.Information(kSuccessMessage); }, "Information",
         QMessageBox::Information, kSuccessMessage, ""},
        {[](Messages& m) { m.Error(kFailureMessage, "/d/<b>.ava: Unable to read"); }, "Error",
         QMessageBox::Critical, kFailureMessage, "/d/<b>.ava: Unable to read"},
        {[](Messages& m) { m.Plain("Abstract Error"); }, "Converter", QMessageBox::NoIcon,
         "Abstract Error", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        int shows = 0;
        QtMessages messages([&](QMessageBox& box) {
            ++shows;
            EXPECT_EQ(box.windowTitle(), row.title);
            EXPECT_EQ(box.icon(), row.icon);
            EXPECT_EQ(box.text(), row.text);
            EXPECT_EQ(box.textFormat(), Qt::PlainText);
            EXPECT_EQ(box.detailedText(), row.detail);
            EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        });
        row.call(messages);
        EXPECT_EQ(shows, 1);
    }
}

} // namespace
} // namespace hortivex

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
