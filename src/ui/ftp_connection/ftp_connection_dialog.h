// Window 3: the modal window where the user enters the FTP connection data, tests it
// (Chequear Conexión) and accepts it. It takes the stored data and gives back what the
// user accepted; storing it is the caller's business.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <optional>

#include "ui/control_registry.h"
#include "ui/ftp_connection/ftp_connection_form.h"

namespace tesselon {

class Frontend;
class LanguageTable;

class FtpConnectionDialog : public QDialog {
public:
    static constexpr int kClientWidth = 612;
    static constexpr int kClientHeight = 265;
    static constexpr uint32_t kBackgroundColour = 0x464646;  // 0x00BBGGRR

    // Runs the connection test for the data in the fields, the test upload when asked.
    using CheckConnection = std::function<void(const FtpConnectionData& data, bool testUpload)>;

    // Builds the window filled with `stored` (its folder shown with "/" separators and
    // a final "/"), the focus on the server field. `frontend` shows its error box.
    FtpConnectionDialog(LanguageTable& table, Frontend& frontend, const FtpConnectionData& stored,
                        CheckConnection check, QWidget* parent = nullptr);

    ControlRegistry& controls() { return controls_; }
    // The texts of the fields as they stand.
    FtpConnectionFields fields() const;
    // What Aceptar accepted; empty until then.
    const std::optional<FtpConnectionData>& accepted() const { return accepted_; }

    void centreOnScreen();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onControl(int control);
    // The user's choice: the port follows it unless the user typed one.
    void chooseProtocol(RemoteProtocol protocol);
    // Shows `protocol` chosen, with what goes with it: its folder hint, and the passive
    // box only where it means something.
    void showProtocol(RemoteProtocol protocol);
    void offerBox(int box, bool offered);
    bool boxChoice(int box) const;
    void checkConnection();
    void accept() override;
    void showMissingFolder();

    ControlRegistry controls_;
    Frontend& frontend_;
    std::string storedPassword_;
    std::string passwordShown_;
    RemoteProtocol protocol_ = RemoteProtocol::Ftp;
    // The folder's hint: an FTP login starts in the user's own folder, an SFTP path is
    // the server's whole path.
    std::string ftpFolderHint_, sftpFolderHint_;
    CheckConnection check_;
    std::optional<FtpConnectionData> accepted_;
    // The ticks of the boxes the chosen protocol has no use for, by control number.
    std::map<int, bool> heldChoices_;
};

}  // namespace tesselon
