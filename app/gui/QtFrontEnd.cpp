#include "app/gui/QtFrontEnd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace hortivex {
namespace {

// The label of a filter text: what stands before its parenthesised pattern list.
QString FilterLabel(const QString& filterText) {
    const qsizetype open = filterText.lastIndexOf(QLatin1Char('('));
    if (open <= 0 || !filterText.endsWith(QLatin1Char(')')))
        return filterText;
    return filterText.left(open).trimmed();
}

// The toolkit takes the patterns of a filter entry from the blank-separated list inside its
// parentheses, so a display text such as "(*.fvd, *.fvs)" would yield the pattern "*.fvd,",
// which matches nothing. The dialog is therefore given an entry whose parentheses hold exactly
// the wanted patterns (it re-reads that entry whenever the user picks the filter again), and the
// visible combo-box item is then relabelled with the display text.
void ApplyFilter(QFileDialog& dialog, const ChooserRequest& request) {
    const QString display = QString::fromStdString(request.filterText);
    if (request.patterns.empty()) {
        if (!display.isEmpty())
            dialog.setNameFilter(display);
        return;
    }
    QStringList patterns;
    for (const std::string& pattern : request.patterns)
        patterns << QString::fromStdString(pattern);
    QString label = FilterLabel(display);
    if (label.isEmpty())
        label = QStringLiteral("Files");
    const QString entry = label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + ')';
    dialog.setNameFilter(entry);
    if (display.isEmpty() || display == entry)
        return;
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        combo && combo->count() == 1)
        combo->setItemText(0, display);
}

} // namespace

QString PathToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::filesystem::path QStringToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void ConfigureChooser(QFileDialog& dialog, const ChooserRequest& request) {
    dialog.setOptions(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.mustExist)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    if (!request.initialFolder.empty())
        dialog.setDirectory(PathToQString(request.initialFolder));
    ApplyFilter(dialog, request);
}

std::optional<std::vector<std::filesystem::path>>
QtFileChooser::Choose(const ChooserRequest& request) {
    QFileDialog dialog(parent_);
    ConfigureChooser(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<std::filesystem::path> files;
    for (const QString& file : dialog.selectedFiles())
        files.push_back(QStringToPath(QDir::toNativeSeparators(file)));
    return files;
}

QtMessages::QtMessages() : show_([](QMessageBox& box) { box.exec(); }) {}

void QtMessages::Information(const std::string& text) {
    Show(QMessageBox::Information, "Information", text, {});
}

void QtMessages::Error(const std::string& text, const std::string& detail) {
    Show(QMessageBox::Critical, "Error", text, detail);
}

void QtMessages::Plain(const std::string& text) {
    Show(QMessageBox::NoIcon, "Converter", text, {});
}

void QtMessages::Show(QMessageBox::Icon icon, const char* title, const std::string& text,
                      const std::string& detail) {
    QMessageBox box(icon, QString::fromUtf8(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    // Shown as given: a file name in the detail must not be taken for markup.
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty())
        box.setDetailedText(QString::fromStdString(detail));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    show_(box);
}

} // namespace hortivex
