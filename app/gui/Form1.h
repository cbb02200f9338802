#pragma once

#include "app/Driver.h"
#include "platform/Messages.h"
#include "platform/SettingsStore.h"

#include <QDialog>

#include <filesystem>
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace hortivex {

// The program's one dialog: an explanation, "Choose file", the progress bar and "Close".
// It is the progress view of the batches it starts.
class TForm1 : public QDialog, public ProgressView {
    Q_OBJECT

public:
    TForm1(FileChooser& chooser, Messages& messages, SettingsStore& settings,
           std::filesystem::path programFolder, QWidget* parent = nullptr);

    void SetMaximum(int maximum) override;
    int Maximum() const override;
    void SetPosition(int position) override;
    void ProcessPendingEvents() override;
    void SetBusy(bool busy) override;

public slots:
    // "Choose file": choose files and convert them.
    void btn1Click();
    // "Close": closes the dialog, which ends the program.
    void btn2Click();
    // Closing (Escape, the title bar's button, "Close") is refused while a batch runs.
    void reject() override;

protected:
    // Files and folders dropped on the dialog are converted as one batch, as if chosen.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void CentreOnScreen();

    DialogSession session_;

    QLabel* lbl1_ = nullptr;
    QPushButton* btn1_ = nullptr;
    QGroupBox* grp1_ = nullptr;
    QProgressBar* pb1_ = nullptr;
    QPushButton* btn2_ = nullptr;
};

} // namespace hortivex
