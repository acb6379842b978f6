// The properties dialog under Qt's offscreen platform: loading from
// attribute lists and stored keys, the controls' coupling, the password
// field and the clipboard, OK and Cancel in both modes, the connection test,
// the layout, and a screenshot of each mode.
#include <gtest/gtest.h>
#include <odbcinst.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <string>

#include "client_api.h"
#include "connection_test.h"
#include "setup_dialog.h"
#include "stored_password.h"

namespace {

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A user data source of this test process's own, written through the
// installer as the setup library reads it, removed at the end.
class StoredDsn {
public:
    explicit StoredDsn(std::initializer_list<std::pair<const char*, const char*>> keys)
        : name_("brolix_dialog_" + std::to_string(getpid()) + "_" + std::to_string(counter_++))
    {
        SQLWriteDSNToIni(name_.c_str(), "Tarnwell Firebird ODBC");
        for (const auto& [key, value] : keys) SQLWritePrivateProfileString(name_.c_str(), key, value, "odbc.ini");
    }
    ~StoredDsn() { SQLRemoveDSNFromIni(name_.c_str()); }
    const std::string& name() const { return name_; }
    std::string key(const char* key) const
    {
        char value[300] = "";
        SQLGetPrivateProfileString(name_.c_str(), key, "<missing>", value, sizeof value, "odbc.ini");
        return value;
    }

private:
    static inline int counter_ = 0;
    std::string name_;
};

std::string list(std::initializer_list<std::string> entries)
{
    std::string text;
    for (const auto& entry : entries) (text += entry) += '\0';
    return text + '\0';
}

template <typename T = QWidget>
T* child(QWidget& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

std::string text_of(QWidget& dialog, const char* name) { return child<QLineEdit>(dialog, name)->text().toStdString(); }
bool checked(QWidget& dialog, const char* name) { return child<QCheckBox>(dialog, name)->isChecked(); }
int entry(QWidget& dialog, const char* name) { return child<QComboBox>(dialog, name)->currentIndex(); }

// Reads and closes the message boxes a slot opens while the test waits in it.
class MessageBoxReader {
public:
    MessageBoxReader()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box == last_.data() || !box->isVisible()) return;
            last_ = box;
            captions.push_back(box->windowTitle().toStdString());
            texts.push_back(box->text().toStdString());
            icons.push_back(box->icon());
            box->accept();
        });
        timer_.start(10);
    }
    std::vector<std::string> captions;
    std::vector<std::string> texts;
    std::vector<QMessageBox::Icon> icons;

private:
    QTimer timer_;
    QPointer<QMessageBox> last_;
};

class Dialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bind_client_library(); }
};

TEST_F(Dialog, LoadsTheListOverTheStoredKeys)
{
    StoredDsn stored({{"Description", "stored description"},
                      {"Database", "/stored/path.fdb"},
                      {"User", "STORED"},
                      {"Password", "~ad65403f4557212efe~"},  // "secret"
                      {"Role", "STORED_ROLE"},
                      {"Charset", "WIN1252"},
                      {"Dialect", "3"},
                      {"HideVarchar", "1"},
                      {"ReadOnly", "1"},
                      {"WCMB", "cp_utf8"},
                      {"TxnMode", "4"}});
    ::Setup dialog(nullptr, "DSN Properties", nullptr);
    std::string attributes = list({"DSN=" + stored.name() + ";", "dialect=1", "HideVarchar=0", "UID=LISTED",
                                   "Description=from the list"});
    dialog.load(attributes.c_str());

    EXPECT_EQ(text_of(dialog, "name"), stored.name());
    EXPECT_EQ(text_of(dialog, "description"), "from the list");
    EXPECT_EQ(text_of(dialog, "user"), "LISTED");
    EXPECT_EQ(text_of(dialog, "password"), "secret");
    EXPECT_EQ(text_of(dialog, "database"), "/stored/path.fdb");
    EXPECT_EQ(text_of(dialog, "role"), "STORED_ROLE");
    EXPECT_EQ(text_of(dialog, "charset"), "WIN1252");
    EXPECT_EQ(entry(dialog, "Dialect"), 0) << "dialect=1 overrides the stored 3";
    EXPECT_TRUE(child(dialog, "DQuote")->isEnabled());
    EXPECT_FALSE(checked(dialog, "HideVarchar")) << "HideVarchar=0 clears the stored 1";
    EXPECT_TRUE(checked(dialog, "ReadOnly"));
    EXPECT_EQ(child<QComboBox>(dialog, "wcmb_mode")->currentText(), "CP_UTF8");
    EXPECT_EQ(child<QComboBox>(dialog, "txn_mode")->currentText(), "SQL_TXN_REPEATABLE_READ");

    // Saving without change writes the values back in their own formats.
    dialog.set_driver_name("Tarnwell Firebird ODBC");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(dialog.outcome(), 0);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::pair<const char*, const char*> saved[] = {
        {"TxnMode", "4"}, {"Dialect", "1"}, {"HideVarchar", "0"}, {"ReadOnly", "1"}, {"WCMB", "CP_UTF8"},
        {"User", "LISTED"}, {"Password", "~ad65403f4557212efe~"}, {"Description", "from the list"},
    };
    for (const auto& [key, value] : saved) EXPECT_EQ(stored.key(key), value) << key;
}

TEST_F(Dialog, ListValuesThatSelectNoEntry)
{
    struct Case {
        const char* txn_mode;   // stored
        const char* wcmb;       // stored, null for none
        const char* isolation;  // shown
        const char* code_page;  // shown
    };
    const Case cases[] = {
        {"7", nullptr, "SQL_TXN_SERIALIZABLE", "CP_ACP"},
        {"2", "CP_MACCP", "SQL_TXN_READ_COMMITTED", "CP_MACCP"},
        {"8", "unknown", "SQL_TXN_SERIALIZABLE", "CP_ACP"},
    };
    for (const auto& c : cases) {
        StoredDsn stored({{"TxnMode", c.txn_mode}});
        if (c.wcmb != nullptr) SQLWritePrivateProfileString(stored.name().c_str(), "WCMB", c.wcmb, "odbc.ini");
        ::Setup dialog(nullptr, "DSN Properties", nullptr);
        dialog.load(list({"DSN=" + stored.name()}).c_str());
        EXPECT_EQ(child<QComboBox>(dialog, "txn_mode")->currentText(), c.isolation) << c.txn_mode;
        EXPECT_EQ(child<QComboBox>(dialog, "wcmb_mode")->currentText(), c.code_page) << c.txn_mode;
    }
    // Without a data source name nothing stored is read: dialect 3, nothing
    // checked, the lists at their first entries.
    ::Setup dialog(nullptr, "DSN Properties", nullptr);
    dialog.load(nullptr);
    EXPECT_EQ(entry(dialog, "Dialect"), 2);
    EXPECT_FALSE(child(dialog, "DQuote")->isEnabled());
    EXPECT_EQ(entry(dialog, "txn_mode"), 0);
    EXPECT_EQ(entry(dialog, "wcmb_mode"), 0);
    for (auto* box : dialog.findChildren<QCheckBox*>()) EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
}

TEST_F(Dialog, DialectThreeDisablesLeaveQuotes)
{
    ::Setup dialog(nullptr, "DSN Properties", nullptr);
    dialog.load(list({"DIALECT=1"}).c_str());
    auto* dialect = child<QComboBox>(dialog, "Dialect");
    QWidget* quotes = child(dialog, "DQuote");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialect->setFocus();
    const std::pair<Qt::Key, bool> steps[] = {{Qt::Key_Down, true}, {Qt::Key_Down, false}, {Qt::Key_Up, true}};
    int index = 0;
    for (const auto& [key, enabled] : steps) {
        QTest::keyClick(dialect, key);
        index += key == Qt::Key_Down ? 1 : -1;
        EXPECT_EQ(dialect->currentIndex(), index);
        EXPECT_EQ(quotes->isEnabled(), enabled) << "dialect " << index + 1;
    }
}

TEST_F(Dialog, NameFieldOnlyWhenAdding)
{
    ::Setup editing(nullptr, "DSN Properties", nullptr);
    editing.load(list({"DSN=existing"}).c_str());
    editing.set_adding(false);
    EXPECT_FALSE(child(editing, "name")->isEnabled());

    ::Setup adding(nullptr, "DSN Properties", nullptr);
    adding.load(nullptr);
    adding.set_adding(true);
    EXPECT_TRUE(child(adding, "name")->isEnabled());

    Connection connection{};
    ::Setup completing(nullptr, "DSN Properties", &connection);
    EXPECT_EQ(completing.findChild<QWidget*>("name"), nullptr);
    EXPECT_EQ(completing.findChild<QWidget*>("description"), nullptr);
}

TEST_F(Dialog, PasswordNeverReachesTheClipboard)
{
    ::Setup dialog(nullptr, "DSN Properties", nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QClipboard* clipboard = QApplication::clipboard();

    enum class Way { slot, shortcut, menu };
    struct Case {
        const char* field;
        bool cut;
        Way way;
        std::string clipboard_after;  // "before" when untouched
        std::string field_after;
    };
    const Case cases[] = {
        {"password", false, Way::slot, "before", "hidden words"},
        {"password", true, Way::slot, "before", "hidden words"},
        {"password", false, Way::shortcut, "before", "hidden words"},
        {"password", true, Way::shortcut, "before", "hidden words"},
        {"password", false, Way::menu, "before", "hidden words"},
        {"password", true, Way::menu, "before", "hidden words"},
        {"user", false, Way::slot, "hidden words", "hidden words"},
        {"user", true, Way::slot, "hidden words", ""},
        {"user", false, Way::shortcut, "hidden words", "hidden words"},
        {"user", true, Way::shortcut, "hidden words", ""},
        {"user", false, Way::menu, "hidden words", "hidden words"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + (c.cut ? " cut " : " copy ") + std::to_string(int(c.way)));
        auto* field = child<MQLineEdit>(dialog, c.field);
        field->setText("hidden words");
        field->setSelection(0, 6);  // a part only: copy takes the whole text
        field->setFocus();
        clipboard->setText("before");
        switch (c.way) {
        case Way::slot:
            c.cut ? field->cut() : field->copy();
            break;
        case Way::shortcut:
            QTest::keySequence(field, c.cut ? QKeySequence::Cut : QKeySequence::Copy);
            break;
        case Way::menu: {
            QMenu* menu = field->clipboard_menu();
            QAction* action = menu->findChild<QAction*>(c.cut ? "edit-cut" : "edit-copy");
            ASSERT_NE(action, nullptr);
            EXPECT_EQ(action->isEnabled(), std::string(c.field) != "password");
            action->trigger();
            delete menu;
            break;
        }
        }
        EXPECT_EQ(clipboard->text().toStdString(), c.clipboard_after);
        EXPECT_EQ(field->text().toStdString(), c.field_after);
    }
    // Paste works in both.
    clipboard->setText("pasted");
    auto* password = child<MQLineEdit>(dialog, "password");
    password->clear();
    QTest::keySequence(password, QKeySequence::Paste);
    EXPECT_EQ(password->text().toStdString(), "pasted");
}

TEST_F(Dialog, OkAndCancelInConfigurationMode)
{
    StoredDsn stored({{"Database", "/before.fdb"}, {"TxnMode", "2"}});
    for (bool ok : {false, true}) {
        ::Setup dialog(nullptr, "DSN Properties", nullptr);
        dialog.set_driver_name("Tarnwell Firebird ODBC");
        dialog.load(list({"DSN=" + stored.name()}).c_str());
        child<QLineEdit>(dialog, "database")->setText("/after.fdb");
        child<QLineEdit>(dialog, "password")->setText("pa55");
        child<QCheckBox>(dialog, "FlushCommit")->setChecked(true);
        child<QComboBox>(dialog, "txn_mode")->setCurrentIndex(0);
        child<QPushButton>(dialog, ok ? "ok" : "cancel")->click();
        EXPECT_EQ(dialog.outcome(), ok ? 0 : 100);
        EXPECT_EQ(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(stored.key("Database"), ok ? "/after.fdb" : "/before.fdb");
        EXPECT_EQ(stored.key("TxnMode"), ok ? "8" : "2");
        EXPECT_EQ(stored.key("FlushCommit"), ok ? "1" : "<missing>");
        EXPECT_EQ(stored.key("Password"), ok ? scramble_password("pa55") : "<missing>");
    }
}

TEST_F(Dialog, OkAndCancelInCompletionMode)
{
    Connection connection{};
    std::strcpy(connection.database, "/before.fdb");
    std::strcpy(connection.user, "SYSDBA");
    std::strcpy(connection.role, "CONNECTION_ROLE");
    connection.dialect = 1;
    connection.txn_mode = 4;
    connection.wcmb_code_page = 65001;
    connection.pad_varchar = 1;
    const Connection before = connection;

    ::Setup cancelled(nullptr, "DSN Properties", &connection);
    std::string attributes = completion_attributes(connection);
    cancelled.load(attributes.c_str());
    child<QLineEdit>(cancelled, "database")->setText("/after.fdb");
    child<QPushButton>(cancelled, "cancel")->click();
    EXPECT_EQ(cancelled.outcome(), 100);
    EXPECT_EQ(std::memcmp(&connection, &before, sizeof connection), 0) << "Cancel changes nothing";

    ::Setup confirmed(nullptr, "DSN Properties", &connection);
    confirmed.load(attributes.c_str());
    EXPECT_EQ(text_of(confirmed, "role"), "CONNECTION_ROLE");
    EXPECT_EQ(entry(confirmed, "Dialect"), 0);
    EXPECT_EQ(child<QComboBox>(confirmed, "txn_mode")->currentText(), "SQL_TXN_REPEATABLE_READ");
    child<QLineEdit>(confirmed, "database")->setText("/after.fdb");
    child<QLineEdit>(confirmed, "password")->setText("pa55");
    child<QLineEdit>(confirmed, "charset")->setText("UTF8");
    child<QCheckBox>(confirmed, "NullSchema")->setChecked(true);
    child<QComboBox>(confirmed, "wcmb_mode")->setCurrentIndex(6);
    child<QPushButton>(confirmed, "ok")->click();
    EXPECT_EQ(confirmed.outcome(), 0);
    EXPECT_STREQ(connection.database, "/after.fdb");
    EXPECT_STREQ(connection.user, "SYSDBA");
    EXPECT_STREQ(connection.charset, "UTF8");
    EXPECT_STREQ(connection.role, "CONNECTION_ROLE");
    EXPECT_EQ(connection.password, scramble_password("pa55"));
    EXPECT_EQ(unscramble_password(connection.password), "pa55");
    EXPECT_EQ(connection.dialect, 1);
    EXPECT_EQ(connection.txn_mode, 4);
    EXPECT_EQ(connection.null_schema, 1);
    EXPECT_EQ(connection.pad_varchar, 1);
    EXPECT_EQ(connection.wcmb_code_page, 65000);
}

TEST_F(Dialog, ConnectionTestShowsTheOutcome)
{
    const std::string test_dir = env("BROLIX_TEST_DIR");
    ASSERT_FALSE(test_dir.empty()) << "run through scripts/run-tests.sh";
    struct Case {
        std::string database;
        std::string user;
        const char* caption;
        const char* text_has;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {test_dir + "/embedded.fdb", "SYSDBA", "Tarnwell Firebird ODBC Setup Test",
         "Connect test completed successfully", QMessageBox::Information},
        {"/nonexistent/brolix/none.fdb", "SYSDBA", "Tarnwell Firebird ODBC Setup Test - Error", "none.fdb",
         QMessageBox::Warning},
    };
    for (const auto& c : cases) {
        ::Setup dialog(nullptr, "DSN Properties", nullptr);
        child<QLineEdit>(dialog, "database")->setText(QString::fromStdString(c.database));
        child<QLineEdit>(dialog, "user")->setText(QString::fromStdString(c.user));
        MessageBoxReader reader;
        child<QPushButton>(dialog, "test")->click();
        ASSERT_EQ(reader.texts.size(), 1u) << c.database;
        EXPECT_EQ(reader.captions[0], c.caption);
        EXPECT_NE(reader.texts[0].find(c.text_has), std::string::npos) << reader.texts[0];
        EXPECT_EQ(reader.icons[0], c.icon);
        EXPECT_TRUE(dialog.findChild<QWidget*>("database")->isVisibleTo(&dialog)) << "the dialog stays";
    }
}

TEST_F(Dialog, TestDpbSendsThePasswordOnlyWithAUser)
{
    EXPECT_EQ(connection_test_dpb({"", "secret", "", "", "db"}), std::string(1, isc_dpb_version1));
    EXPECT_EQ(connection_test_dpb({"U", "pw", "UTF8", "R", "db"}),
              std::string("\x01\x1c\x01U\x1d\x02pw\x30\x04UTF8\x3c\x01R", 17));
}

TEST_F(Dialog, AboutShowsTheHelpFile)
{
    // No Help button; about() shows <HelpDir>/DSNHELP.HLP, or a short text
    // when there is none.
    const std::string dir = env("BROLIX_TEST_DIR") + "/help-" + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(dir));
    const QString file = QString::fromStdString(dir + "/DSNHELP.HLP");
    {
        QFile help(file);
        ASSERT_TRUE(help.open(QIODevice::WriteOnly));
        help.write("Dialect: the SQL dialect of the connection.\n");
    }
    const char* section = "Tarnwell Firebird ODBC";
    SQLWritePrivateProfileString(section, "HelpDir", dir.c_str(), "odbcinst.ini");
    ::Setup dialog(nullptr, "DSN Properties", nullptr);
    std::vector<std::string> texts;
    for (bool with_file : {true, false}) {
        if (!with_file) QFile::remove(file);
        MessageBoxReader reader;
        dialog.about();
        ASSERT_EQ(reader.texts.size(), 1u);
        EXPECT_EQ(reader.captions[0], "Tarnwell Firebird ODBC DSN Setup");
        texts.push_back(reader.texts[0]);
    }
    SQLWritePrivateProfileString(section, "HelpDir", nullptr, "odbcinst.ini");
    QDir(QString::fromStdString(dir)).removeRecursively();
    EXPECT_NE(texts[0].find("Dialect: the SQL dialect of the connection."), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("Tarnwell Firebird ODBC: data source setup"), std::string::npos) << texts[1];
}

// Positions are the dialog's own pixels: a control's place inside its group
// box, the boxes' and buttons' inside the dialog.
TEST_F(Dialog, LayoutAndScreenshotsOfBothModes)
{
    QDir().mkpath(BROLIX_SCREENSHOT_DIR);
    Connection connection{};
    struct Mode {
        const char* file;
        Connection* connection;
        int height;
        int button_y;
        QRect options;
    };
    const Mode modes[] = {
        {"setup-configuration.png", nullptr, 635, 595, QRect(10, 95, 410, 490)},
        {"setup-completion.png", &connection, 540, 510, QRect(10, 10, 410, 490)},
    };
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.file);
        ::Setup dialog(nullptr, "DSN Properties", mode.connection);
        dialog.load(list({"DSN=brolix_shown", "DESC=Sample data source", "DB=/var/tmp/brolix/sample.fdb",
                          "UID=SYSDBA", "PWD=masterkey", "DIALECT=3", "TXNMODE=2", "READONLY=1"})
                        .c_str());
        EXPECT_EQ(dialog.windowTitle(), "Tarnwell Firebird ODBC DSN Setup");
        EXPECT_EQ(dialog.minimumSize(), QSize(430, mode.height));
        EXPECT_EQ(dialog.maximumSize(), QSize(430, mode.height));
        EXPECT_EQ(child(dialog, "options")->geometry(), mode.options);
        if (mode.connection == nullptr) {
            EXPECT_EQ(child(dialog, "names")->geometry(), QRect(10, 10, 410, 75));
        }
        const std::tuple<const char*, int, const char*, const char*> buttons[] = {
            {"test", 20, "&Test", "Test connection"},
            {"ok", 260, "O&K", "Save changes and finish"},
            {"cancel", 340, "&Cancel", "Exit without saving changes"},
        };
        for (const auto& [name, x, text, tip] : buttons) {
            auto* b = child<QPushButton>(dialog, name);
            EXPECT_EQ(b->pos(), QPoint(x, mode.button_y)) << name;
            EXPECT_EQ(b->width(), 70) << name;
            EXPECT_EQ(b->text(), text);
            EXPECT_EQ(b->toolTip(), tip);
            EXPECT_EQ(b->whatsThis(), tip);
        }
        EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 3) << "no Help button";
        const std::tuple<const char*, QPoint, const char*> places[] = {
            {"database", {130, 10}, "Data&base:"},       {"user", {130, 40}, "&User Name:"},
            {"password", {130, 70}, "&Password:"},       {"role", {130, 100}, "&Role:"},
            {"With_Schema", {130, 130}, "With &Schema:"}, {"Nowait", {340, 130}, "No &Wait:"},
            {"Dialect", {130, 160}, "D&ialect:"},         {"OldMetaData", {340, 160}, "Pre IB&6 MetaData:"},
            {"DQuote", {340, 190}, "Leave &Quotes:"},     {"charset", {130, 250}, "Ch&aracter Set:"},
            {"txn_mode", {130, 310}, "Tx&n Isolation:"},   {"wcmb_mode", {130, 430}, "WCMB Mode:"},
            {"HideVarchar", {130, 460}, "Hide LONGVAR:"},
        };
        for (const auto& [name, pos, label] : places) EXPECT_EQ(child(dialog, name)->pos(), pos) << name;
        // Every label names its control, every control explains itself.
        int labels = 0;
        for (QLabel* l : dialog.findChildren<QLabel*>()) {
            QWidget* buddy = l->buddy();
            ASSERT_NE(buddy, nullptr) << l->text().toStdString();
            EXPECT_FALSE(buddy->toolTip().isEmpty()) << l->text().toStdString();
            EXPECT_EQ(buddy->toolTip(), buddy->whatsThis());
            for (const auto& [name, pos, text] : places)
                if (buddy->objectName() == name) {
                    EXPECT_EQ(l->text(), text);
                    ++labels;
                }
        }
        EXPECT_EQ(labels, static_cast<int>(std::size(places)));
        EXPECT_EQ(dialog.findChildren<QLabel*>().size(), mode.connection == nullptr ? 26 : 24);

        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QPixmap shot = dialog.grab();
        EXPECT_EQ(shot.size(), QSize(430, mode.height));
        const QString path = QStringLiteral(BROLIX_SCREENSHOT_DIR "/") + mode.file;
        EXPECT_TRUE(shot.save(path)) << path.toStdString();
    }
}

}  // namespace
