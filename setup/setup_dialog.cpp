#include "setup_dialog.h"

#include <odbcinst.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "connection_test.h"
#include "option_values.h"

namespace {

constexpr int dialog_width = 430;
constexpr int config_height = 635;
constexpr int completion_height = 540;
constexpr int button_width = 70;
constexpr int button_height = 26;
constexpr int row_height = 22;
constexpr int label_width = 100;

constexpr const char* caption = "Tarnwell Firebird ODBC DSN Setup";
constexpr const char* test_caption = "Tarnwell Firebird ODBC Setup Test";
constexpr const char* test_error_caption = "Tarnwell Firebird ODBC Setup Test - Error";

// A check box of the option group: its label and label geometry, the box's
// place, its tooltip and the value it shows.
struct CheckBoxPlace {
    const char* label;
    int label_x;
    int label_w;
    int x;
    int y;
    const char* tip;
    int32_t DsnValues::*value;
};

constexpr CheckBoxPlace check_boxes[] = {
    {"With &Schema:", 30, 100, 130, 130, "Enable Schema information from metadata calls", &DsnValues::with_schema},
    {"No &Wait:", 210, 70, 340, 130, "Enable/Disable waiting on locks", &DsnValues::nowait},
    {"Pre IB&6 MetaData:", 210, 120, 340, 160, "Adds support for pre IB6 metadata layout", &DsnValues::old_metadata},
    {"E&xecute Proc:", 30, 100, 130, 190, "Use EXECUTE PROCEDURE to execute stored procedures", &DsnValues::exec_proc},
    {"Leave &Quotes:", 210, 100, 340, 190, "Leave double quotes in dialect 1 and 2 SQL", &DsnValues::dquote},
    {"UID &Override:", 30, 100, 130, 220, "Use username and password from DSN, not connect string", &DsnValues::uid_override},
    {"Read Onl&y:", 210, 100, 340, 220, "Restrict connection to read only access", &DsnValues::read_only},
    {"Commit Se&lect:", 30, 100, 130, 280, "Call COMMIT after SELECT's", &DsnValues::commit_select},
    {"With Default:", 210, 100, 340, 280, "Report column defauls in SQLColumns", &DsnValues::with_default},
    {"Flush Co&mmit:", 30, 100, 130, 340, "Restart transaction after commits", &DsnValues::flush_commit},
    {"Pad &Varchar:", 210, 100, 340, 340, "Do not right strip varchar fields", &DsnValues::pad_varchar},
    {"Null Sc&hema:", 30, 100, 130, 370, "Force a null value in SQLColumns calls", &DsnValues::null_schema},
    {"&Fix Precision:", 210, 100, 340, 370, "Return max precision for NUMERIC fields", &DsnValues::fix_precision},
    {"Simple Uni&code:", 30, 100, 130, 400, "Use simple truncation to convert from unicode to ascii", &DsnValues::simple_unicode},
    // 120 wide like "Pre IB6 MetaData:": at 100 the text is cut.
    {"Defaul&t SQL_CHAR:", 210, 120, 340, 400,
     "When getting data as default from a UNICODE field, return as ASCII, required for MS ACCESS",
     &DsnValues::wchar_default_c},
    {"Hide LONGVAR:", 30, 100, 130, 460, "Report LONGVARCHAR as VARCHAR(32000)", &DsnValues::hide_varchar},
};
static_assert(std::size(check_boxes) == 16);

void describe(QWidget* widget, const char* tip)
{
    widget->setToolTip(QString::fromUtf8(tip));
    widget->setWhatsThis(QString::fromUtf8(tip));
}

QLabel* buddy_label(QWidget* box, const char* text, int x, int y, int width, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(text), box);
    label->setGeometry(x, y, width, row_height);
    label->setBuddy(buddy);
    return label;
}

MQLineEdit* text_field(QWidget* box, const char* object_name, const char* label, int y, const char* tip)
{
    auto* field = new MQLineEdit(box);
    field->setObjectName(QString::fromUtf8(object_name));
    field->setGeometry(130, y, 250, row_height);
    field->setMaxLength(dsn_field_max_length);
    describe(field, tip);
    buddy_label(box, label, 30, y, label_width, field);
    return field;
}

QComboBox* list_field(QWidget* box, const char* object_name, const char* label, int y, int width,
                      const char* tip, std::initializer_list<const char*> entries)
{
    auto* list = new QComboBox(box);
    list->setObjectName(QString::fromUtf8(object_name));
    for (const char* entry : entries) list->addItem(QString::fromUtf8(entry));
    list->setGeometry(130, y, width, row_height);
    describe(list, tip);
    buddy_label(box, label, 30, y, label_width, list);
    return list;
}

QPushButton* button(QWidget* dialog, const char* object_name, const char* text, int x, int y, const char* tip)
{
    auto* b = new QPushButton(QString::fromUtf8(text), dialog);
    b->setObjectName(QString::fromUtf8(object_name));
    b->setGeometry(x, y, button_width, button_height);
    b->setAutoDefault(false);
    if (tip != nullptr) describe(b, tip);
    return b;
}

std::string text_of(const QLineEdit* field) { return field->text().toStdString(); }

}  // namespace

// ---- MQLineEdit ------------------------------------------------------------

MQLineEdit::MQLineEdit(QWidget* parent) : QLineEdit(parent) {}

void MQLineEdit::cut()
{
    if (echoMode() == QLineEdit::Password) return;
    QApplication::clipboard()->setText(text());
    clear();
}

void MQLineEdit::copy()
{
    if (echoMode() == QLineEdit::Password) return;
    QApplication::clipboard()->setText(text());
}

void MQLineEdit::paste() { QLineEdit::paste(); }

void MQLineEdit::keyPressEvent(QKeyEvent* event)
{
    // The line edit's own shortcuts would copy the selection past the slots.
    if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

QMenu* MQLineEdit::clipboard_menu()
{
    auto* menu = new QMenu(this);
    const bool hidden = echoMode() == QLineEdit::Password;
    QAction* cut_action = menu->addAction(tr("Cu&t"), this, &MQLineEdit::cut);
    cut_action->setObjectName(QStringLiteral("edit-cut"));
    cut_action->setEnabled(!hidden && !isReadOnly() && !text().isEmpty());
    QAction* copy_action = menu->addAction(tr("&Copy"), this, &MQLineEdit::copy);
    copy_action->setObjectName(QStringLiteral("edit-copy"));
    copy_action->setEnabled(!hidden && !text().isEmpty());
    QAction* paste_action = menu->addAction(tr("&Paste"), this, &MQLineEdit::paste);
    paste_action->setObjectName(QStringLiteral("edit-paste"));
    paste_action->setEnabled(!isReadOnly());
    menu->addSeparator();
    QAction* all = menu->addAction(tr("Select All"), this, &QLineEdit::selectAll);
    all->setObjectName(QStringLiteral("select-all"));
    return menu;
}

void MQLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = clipboard_menu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// ---- Setup ------------------------------------------------------------------

Setup::Setup(QWidget* parent, const char* name, Connection* connection)
    : QDialog(parent), connection_(connection)
{
    setObjectName(QString::fromUtf8(name));
    setModal(true);
    setWindowTitle(QString::fromUtf8(caption));
    const bool completing = connection_ != nullptr;
    setFixedSize(dialog_width, completing ? completion_height : config_height);

    int options_top = 10;
    if (!completing) {
        auto* names = new QGroupBox(this);
        names->setObjectName(QStringLiteral("names"));
        names->setGeometry(10, 10, 410, 75);
        name_ = text_field(names, "name", "&DSN:", 10, "Data source name");
        name_->setEnabled(false);
        description_ = text_field(names, "description", "D&escription:", 40, "Data source description");
        options_top = 95;
    }
    auto* box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("options"));
    box->setGeometry(10, options_top, 410, 490);

    database_ = text_field(box, "database", "Data&base:", 10, "Database");
    user_ = text_field(box, "user", "&User Name:", 40, "User Name");
    password_ = text_field(box, "password", "&Password:", 70, "Password");
    password_->setEchoMode(QLineEdit::Password);
    password_->setDragEnabled(false);
    role_ = text_field(box, "role", "&Role:", 100, "Role");
    charset_ = text_field(box, "charset", "Ch&aracter Set:", 250, "Character Set");

    dialect_ = list_field(box, "Dialect", "D&ialect:", 160, 40, "Select SQL Dialect", {"1", "2", "3"});
    isolation_ = list_field(box, "txn_mode", "Tx&n Isolation:", 310, 220, "Select default SQL_TXN_ISOLATION mode",
                            {"SQL_TXN_SERIALIZABLE", "SQL_TXN_READ_COMMITTED", "SQL_TXN_REPEATABLE_READ"});
    wcmb_ = list_field(box, "wcmb_mode", "WCMB Mode:", 430, 220, "Select default MB Conversion mode", {});
    for (const auto& entry : code_page_entries) wcmb_->addItem(QString::fromUtf8(entry.name));

    for (size_t i = 0; i < std::size(check_boxes); ++i) {
        const CheckBoxPlace& place = check_boxes[i];
        auto* check = new QCheckBox(box);
        for (size_t f = 0; f < flag_field_count; ++f)
            if (flag_fields[f].value == place.value)
                check->setObjectName(QString::fromUtf8(flag_fields[f].saved_key));
        check->setGeometry(place.x, place.y, 20, 20);
        describe(check, place.tip);
        buddy_label(box, place.label, place.label_x, place.y, place.label_w, check);
        flags_[i] = check;
        if (place.value == &DsnValues::dquote) leave_quotes_ = check;
    }
    connect(dialect_, &QComboBox::activated, this, &Setup::quotes);

    // From Windows 6 on the dialog had no Help button; neither has this one.
    const int y = completing ? 510 : 595;
    QPushButton* test = button(this, "test", "&Test", 20, y, "Test connection");
    QPushButton* ok = button(this, "ok", "O&K", 260, y, "Save changes and finish");
    QPushButton* cancel = button(this, "cancel", "&Cancel", 340, y, "Exit without saving changes");
    connect(test, &QPushButton::clicked, this, &Setup::Dsn_test);
    connect(ok, &QPushButton::clicked, this, &Setup::Ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &Setup::Cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Setup::load(const char* attributes)
{
    DsnValues values = load_dsn_values(attributes, read_dsn_key);
    loaded_name_ = values.dsn;
    show_values(values);
}

void Setup::set_adding(bool adding)
{
    if (name_ != nullptr) name_->setEnabled(adding);
}

void Setup::show_values(const DsnValues& values)
{
    if (name_ != nullptr) {
        name_->setText(QString::fromStdString(values.dsn));
        description_->setText(QString::fromStdString(values.description));
    }
    database_->setText(QString::fromStdString(values.database));
    user_->setText(QString::fromStdString(values.user));
    password_->setText(QString::fromStdString(values.password));
    charset_->setText(QString::fromStdString(values.charset));
    role_->setText(QString::fromStdString(values.role));
    for (size_t i = 0; i < std::size(check_boxes); ++i)
        flags_[i]->setChecked(values.*check_boxes[i].value == 1);
    if (int entry = txn_mode_entry(values.txn_mode); entry >= 0) isolation_->setCurrentIndex(entry);
    const int dialect = values.dialect >= 1 && values.dialect <= 3 ? values.dialect : 3;
    dialect_->setCurrentIndex(dialect - 1);
    quotes(dialect - 1);
    if (int entry = code_page_entry(values.wcmb_code_page); entry >= 0) wcmb_->setCurrentIndex(entry);
}

DsnValues Setup::values() const
{
    DsnValues values;
    if (name_ != nullptr) {
        values.dsn = text_of(name_);
        values.description = text_of(description_);
    }
    values.database = text_of(database_);
    values.user = text_of(user_);
    values.password = text_of(password_);
    values.charset = text_of(charset_);
    values.role = text_of(role_);
    for (size_t i = 0; i < std::size(check_boxes); ++i)
        values.*check_boxes[i].value = flags_[i]->isChecked() ? 1 : 0;
    values.dialect = dialect_->currentIndex() + 1;
    values.txn_mode = txn_mode_entries[isolation_->currentIndex()];
    values.wcmb_code_page = code_page_entries[wcmb_->currentIndex()].code_page;
    return values;
}

void Setup::Ok()
{
    if (connection_ != nullptr)
        store_completion(values(), *connection_);
    else
        save_dsn_values(loaded_name_, values(), driver_name_.c_str());
    outcome_ = 0;
}

void Setup::Cancel() { outcome_ = 100; }

void Setup::quotes(int index) { leave_quotes_->setEnabled(index != 2); }

void Setup::about()
{
    char directory[128] = "";
    SQLGetPrivateProfileString(installer_driver_name, "HelpDir", "", directory, sizeof directory,
                               "odbcinst.ini");
    QString text;
    if (directory[0] != '\0') {
        QFile help(QString::fromUtf8(directory) + QStringLiteral("/DSNHELP.HLP"));
        if (help.open(QIODevice::ReadOnly | QIODevice::Text)) text = QString::fromUtf8(help.readAll());
    }
    if (text.isEmpty())
        text = QStringLiteral("Tarnwell Firebird ODBC: data source setup for the brolix driver.\n"
                              "Each field's tooltip and What's This text describe its option.");
    QMessageBox::about(this, QString::fromUtf8(caption), text);
}

void Setup::Dsn_test()
{
    ConnectionTestInput input{text_of(user_), text_of(password_), text_of(charset_), text_of(role_),
                              text_of(database_)};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ConnectionTestResult result = run_connection_test(input);
    QApplication::restoreOverrideCursor();
    switch (result.outcome) {
    case ConnectionTestOutcome::no_client:
        QMessageBox::information(this, QString::fromUtf8(test_caption),
                                 QStringLiteral("Unable to load FBCLIENT.DLL or GDS32.DLL (x64)"));
        break;
    case ConnectionTestOutcome::failed:
        QMessageBox::warning(this, QString::fromUtf8(test_error_caption), QString::fromStdString(result.message));
        break;
    case ConnectionTestOutcome::connected:
        QMessageBox::information(this, QString::fromUtf8(test_caption),
                                 QStringLiteral("Connect test completed successfully"));
        break;
    }
}
