// The connection parameters dialog: the one place where the user sets the
// link settings and where the COM port is opened, and the search for the
// speed at which the device answers.
#pragma once

#include <QDialog>
#include <QStringList>

#include <vector>

#include "link/port_discovery.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace vkt53 {

class LinkState;
struct LinkEntry;

class TFormConnPar : public QDialog {
  Q_OBJECT
 public:
  // Works on the program's link: its settings, its port and its exchange.
  explicit TFormConnPar(LinkState& link, QWidget* parent = nullptr);

  // Set only when "Связаться" opened the port; the caller then connects.
  bool connectRequested() const { return connectRequested_; }

  // Checks the controls, stores them into the link settings, opens the port
  // and loads the exchange parameters. False after a message has been shown.
  bool ApplyLinkParameters();

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn4Click();

  void BuildControls();
  LinkEntry CurrentEntry() const;
  bool EstablishLink();
  int32_t RunSpeedSearch();  // the speed that answered, or 0
  void ReportSearchResult(int32_t foundSpeed, const QStringList& failure);
  void SetStatus(const QString& text);
  void SetButtonsEnabled(bool enabled);
  void ShowPortPath();
  void ReadPorts(int chosen);
  int ChosenPort() const;
  void ShowPortReason(const QString& reason);

  LinkState& link_;
  bool connectRequested_ = false;
  bool searching_ = false;
  // The ports offered as last read: what the port list shows and what is opened.
  std::vector<PortInfo> ports_;

  QComboBox* ComboBox1;  // port
  QComboBox* ComboBox2;  // exchange speed
  QComboBox* ComboBox3;  // attempts
  QLineEdit* Edit1;      // first-byte wait, s
  QLineEdit* Edit2;      // following-bytes wait, ms
  QLineEdit* Edit3;      // preamble count
  QLineEdit* Edit4;      // RTS pause, ms
  QLabel* PortPathLabel;    // what the chosen port is
  QLabel* PortReasonLabel;  // why it could not be opened, when that is known
  QPushButton* BitBtn1;  // "Связаться"
  QPushButton* BitBtn2;  // "Отменить"
  QPushButton* BitBtn4;  // "Определение скорости обмена"
  QStatusBar* StatusBar1;
};

}  // namespace vkt53
