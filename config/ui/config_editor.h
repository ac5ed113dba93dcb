// The configuration editors: one window for the link parameters, the modem
// command string and the computing-unit list, in two flavours. The online
// editor (TFormRealConfig) edits what was just read from the device and asks
// for the differences to be written; the file editor (TFormConfig) edits a
// file's image, or previews one before a table restore, and reports whether
// it was accepted and changed. Both change the lent image in place.
#pragma once

#include <QDialog>

#include <string>

#include "widgets/qt_config_file_ui.h"
#include "config/config_image.h"
#include "config/config_record.h"
#include "config/speed_list.h"
#include "config/link_inputs.h"

class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vkt53 {

class ConfigEditorForm : public QDialog {
  Q_OBJECT
 public:
  // The background the window shows, except while the unit dialog is up.
  static QColor PanelColour();

 protected:
  // The record supplies the speed masks: the master speeds for ComboBox1 and
  // the unit speeds for the unit dialog.
  ConfigEditorForm(ConfigImage& image, ConfigRecord& record, const char* className, QWidget* parent);

  void showEvent(QShowEvent* event) override;

  // What differs between the editors.
  virtual void PrepareShow() {}
  virtual SpeedListContent MasterSpeeds() = 0;
  virtual void FinishAcceptance() = 0;  // the image holds the accepted controls

  // Makes a button for the row of accept buttons, after BitBtn14.
  QPushButton* AddAcceptRowButton(const char* name, const QString& text);
  // The link parameter controls and the modem string into the image, checked
  // in their fixed order; the first that fails is shown as an input error
  // and false returned.
  bool StoreControls();
  void BitBtn14Click();

  ConfigImage& image_;
  ConfigRecord& record_;
  QPushButton* BitBtn14;  // "Записать в устройство"

 private:
  QWidget* BuildLinkGroup();
  QWidget* BuildModemGroup();
  QWidget* BuildUnitList();
  QComboBox* MakeLinkList(const char* name, const QStringList& items);
  QLineEdit* MakeByteEdit(const char* name);
  LinkInputs ReadInputs() const;
  void ShowUnitRow(int address);
  void SetPanelColour(const QColor& colour);

  void FormShow();
  void BitBtn2Click();
  void BitBtn3Click();
  void StringGrid1DblClick();
  void BitBtn4Click();
  void OpenUnitDialog();

  QComboBox* ComboBox1;  // master speed
  QComboBox* ComboBox2;  // priority
  QComboBox* ComboBox3;  // wait for unit preambles
  QComboBox* ComboBox4;  // retry delay index
  QLineEdit* Edit1;      // modem command string
  QLineEdit* Edit2;      // answer preambles
  QLineEdit* Edit3;      // request preambles
  QLineEdit* Edit4;      // unit answer wait
  QTableWidget* StringGrid1;
  QPushButton* BitBtn3;  // "Изменить"
  QPushButton* BitBtn4;  // "Отключить все вычислители"
  QPushButton* BitBtn2;  // "Выход"
  QHBoxLayout* acceptRow_;
};

// The online editor: "Записать в устройство" asks for the differences to be
// written, "Сохранить в файле" saves what the window shows: the units and,
// once they pass the same checks, the link parameters and the modem string.
class TFormRealConfig : public ConfigEditorForm {
  Q_OBJECT
 public:
  TFormRealConfig(ConfigImage& image, ConfigRecord& record, std::string configFolder,
                  QWidget* parent = nullptr);

  bool writeRequested() const { return writeRequested_; }

 protected:
  SpeedListContent MasterSpeeds() override;
  void FinishAcceptance() override;

 private:
  void BitBtn1Click();

  std::string configFolder_;
  bool writeRequested_ = false;
  QPushButton* BitBtn1;  // "Сохранить в файле"
  ConfigFileDialog SaveDialog1{this, "SaveDialog1"};
};

// The file editor. In file mode the record's speed masks are set to all
// ones, since no device says otherwise; in device mode (the preview before a
// table restore) the masks read from the device are used.
class TFormConfig : public ConfigEditorForm {
  Q_OBJECT
 public:
  TFormConfig(ConfigImage& image, ConfigRecord& record, QWidget* parent = nullptr);

  void setDeviceMode(bool deviceMode) { deviceMode_ = deviceMode; }
  bool accepted() const { return accepted_; }
  bool changed() const { return changed_; }

 protected:
  void PrepareShow() override;
  SpeedListContent MasterSpeeds() override;
  void FinishAcceptance() override;

 private:
  bool deviceMode_ = false;
  bool accepted_ = false;
  bool changed_ = false;
  ConfigImage workingCopy_;
  QPushButton* BitBtn5;  // "Принять"
};

}  // namespace vkt53
