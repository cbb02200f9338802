#include "app/gui/Form1.h"

#include "app/FormLayout.h"
#include "app/gui/QtFrontEnd.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>

#include <filesystem>
#include <utility>
#include <vector>

namespace hortivex {
namespace {

QFont ArialOfPixelSize(int pixels) {
    QFont font(QString::fromLatin1(kFontFace));
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

void SetRect(QWidget& widget, const ControlRect& r) {
    widget.setGeometry(r.left, r.top, r.width, r.height);
}

// The local files and folders among dropped items, in their order.
std::vector<std::filesystem::path> LocalPaths(const QMimeData* data) {
    std::vector<std::filesystem::path> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(QStringToPath(url.toLocalFile()));
    }
    return paths;
}

} // namespace

TForm1::TForm1(FileChooser& chooser, Messages& messages, SettingsStore& settings,
               std::filesystem::path programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      session_(*this, messages, settings, std::move(programFolder), chooser) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kFormCaption));
    setFont(ArialOfPixelSize(kFormFontPixels));
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);
    setAcceptDrops(true);
    CreateControls();
    CentreOnScreen();
}

void TForm1::CreateControls() {
    lbl1_ = new QLabel(QString::fromUtf8(kExplanation), this);
    lbl1_->setObjectName(QStringLiteral("lbl1"));
    SetRect(*lbl1_, kLabelRect);
    lbl1_->setFont(ArialOfPixelSize(kLabelFontPixels));
    lbl1_->setTextFormat(Qt::PlainText);
    lbl1_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbl1_->setWordWrap(true);

    btn1_ = new QPushButton(QString::fromLatin1(kChooseCaption), this);
    btn1_->setObjectName(QStringLiteral("btn1"));
    SetRect(*btn1_, kChooseRect);
    connect(btn1_, &QPushButton::clicked, this, &TForm1::btn1Click);

    grp1_ = new QGroupBox(QString::fromLatin1(kProgressCaption), this);
    grp1_->setObjectName(QStringLiteral("grp1"));
    SetRect(*grp1_, kGroupRect);

    pb1_ = new QProgressBar(grp1_);
    pb1_->setObjectName(QStringLiteral("pb1"));
    SetRect(*pb1_, kBarRect);
    pb1_->setRange(0, 100);
    pb1_->setValue(0);
    pb1_->setTextVisible(false);

    btn2_ = new QPushButton(QString::fromLatin1(kCloseCaption), this);
    btn2_->setObjectName(QStringLiteral("btn2"));
    SetRect(*btn2_, kCloseRect);
    connect(btn2_, &QPushButton::clicked, this, &TForm1::btn2Click);

    // The group takes no focus itself; it keeps its place in the chain between the buttons.
    setTabOrder(btn1_, grp1_);
    setTabOrder(grp1_, btn2_);
    btn1_->setFocus();
}

void TForm1::CentreOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(),
                             screen->availableGeometry())
             .topLeft());
}

void TForm1::SetMaximum(int maximum) {
    pb1_->setMaximum(maximum);
}

int TForm1::Maximum() const {
    return pb1_->maximum();
}

void TForm1::SetPosition(int position) {
    pb1_->setValue(position);
}

void TForm1::ProcessPendingEvents() {
    QCoreApplication::processEvents();
}

void TForm1::SetBusy(bool busy) {
    btn1_->setEnabled(!busy);
    btn2_->setEnabled(!busy);
}

void TForm1::btn1Click() {
    session_.ChooseFiles();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!session_.Running() && !LocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    std::vector<std::filesystem::path> paths = LocalPaths(event->mimeData());
    if (session_.Running() || paths.empty())
        return;
    event->acceptProposedAction();
    // The batch runs once the drop has been answered, so the program the files came from is
    // not kept waiting for the end of the batch and its message box.
    QMetaObject::invokeMethod(
        this, [this, paths = std::move(paths)] { session_.Drop(paths); }, Qt::QueuedConnection);
}

void TForm1::btn2Click() {
    close();
}

void TForm1::reject() {
    if (!session_.Running())
        QDialog::reject();
}

} // namespace hortivex
