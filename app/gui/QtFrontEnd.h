#pragma once

#include "app/Driver.h"
#include "platform/Messages.h"

#include <QMessageBox>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QFileDialog;
class QWidget;

namespace hortivex {

// Sets a file dialog up for a request: the toolkit's own (non-native) dialog so that it looks and
// behaves the same on every platform, the file mode, the initial folder and the one filter entry.
// The entry shows request.filterText exactly while matching exactly request.patterns.
void ConfigureChooser(QFileDialog& dialog, const ChooserRequest& request);

// The file chooser of the dialog: a modal file dialog over the parent widget.
class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::vector<std::filesystem::path>>
    Choose(const ChooserRequest& request) override;

private:
    QWidget* parent_;
};

// Message boxes with a single OK button. The step that shows a prepared box is replaceable, so
// tests can inspect the box instead of running it modally.
class QtMessages : public Messages {
public:
    using ShowBox = std::function<void(QMessageBox& box)>;

    QtMessages();
    explicit QtMessages(ShowBox show) : show_(std::move(show)) {}

    void Information(const std::string& text) override;
    void Error(const std::string& text, const std::string& detail) override;
    void Plain(const std::string& text) override;

private:
    void Show(QMessageBox::Icon icon, const char* title, const std::string& text,
              const std::string& detail);

    ShowBox show_;
};

// Conversions between file paths and the toolkit's strings.
QString PathToQString(const std::filesystem::path& path);
std::filesystem::path QStringToPath(const QString& path);

} // namespace hortivex
