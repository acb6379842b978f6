// The data-source properties dialog (`Setup`) and its line edit
// (`MQLineEdit`).
//
// One dialog serves two modes: configuration mode (no connection; opened by
// ConfigDSN, OK writes the data source) and completion mode (the driver's
// Connection; opened by complete_info, OK writes the values into that
// record). Every control sits at a fixed place, carries a tooltip and the
// same What's This text, and has a buddy label whose '&' letter focuses it.
#pragma once

#include <QDialog>
#include <QLineEdit>

#include <string>

#include "dsn_values.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QMenu;
class QPushButton;

// A line edit whose text never reaches the clipboard while it shows
// password bullets: cut and copy (from the slots, the keyboard shortcuts and
// the context menu) do nothing then. Otherwise they take the whole text, not
// only the selection; cut also empties the field.
class MQLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MQLineEdit(QWidget* parent = nullptr);

    // The context menu the field shows, its Cut and Copy wired to the slots
    // below.
    QMenu* clipboard_menu();

public slots:
    void cut();
    void copy();
    void paste();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

class Setup : public QDialog {
    Q_OBJECT
public:
    // Builds every control; `connection` selects completion mode.
    Setup(QWidget* parent, const char* name, Connection* connection);

    // The driver name the data source is written for.
    void set_driver_name(const std::string& name) { driver_name_ = name; }

    // Loads the values from an attribute list and the stored keys, and puts
    // them into the controls.
    void load(const char* attributes);

    // Lets the data source name be edited (adding a data source).
    void set_adding(bool adding);

    // 0 after OK, 100 after Cancel; 0 until either runs.
    int outcome() const { return outcome_; }

    // The values as the controls hold them now.
    DsnValues values() const;

public slots:
    void about();
    void Ok();
    void Cancel();
    void Dsn_test();
    void quotes(int index);

private:
    void show_values(const DsnValues& values);

    Connection* connection_;
    std::string driver_name_;
    std::string loaded_name_;
    int outcome_ = 0;

    MQLineEdit* name_ = nullptr;
    MQLineEdit* description_ = nullptr;
    MQLineEdit* database_;
    MQLineEdit* user_;
    MQLineEdit* password_;
    MQLineEdit* role_;
    MQLineEdit* charset_;
    QComboBox* dialect_;
    QComboBox* isolation_;
    QComboBox* wcmb_;
    QCheckBox* leave_quotes_ = nullptr;
    QCheckBox* flags_[16] = {};
};
