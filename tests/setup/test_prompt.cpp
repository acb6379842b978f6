// SQLDriverConnect prompting through the real setup library: the driver
// loads libbrolixS.so into this process, which already has a QApplication,
// and the test answers the modal windows the library opens.
#include <odbcinst.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

// Watches for the modal windows of the setup library while a driver call
// runs: each properties dialog gets the next answer (a database to enter, or
// Cancel), each message box is read and closed.
class DialogAnswerer {
public:
    struct Answer {
        std::string database;  // entered before OK
        bool cancel = false;
        std::string name = {};  // data source name, entered when given
    };

    explicit DialogAnswerer(std::vector<Answer> answers) : answers_(std::move(answers))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }

    int prompts = 0;
    std::vector<std::string> messages;
    std::vector<std::string> passwords_shown;
    std::vector<bool> names_editable;

private:
    void poll()
    {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr || !window->isVisible() || window == last_.data()) return;
        last_ = window;
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            messages.push_back(box->text().toStdString());
            box->accept();
            return;
        }
        if (window->objectName() != "DSN Properties") return;
        Answer answer = prompts < static_cast<int>(answers_.size()) ? answers_[prompts] : Answer{"", true};
        ++prompts;
        passwords_shown.push_back(window->findChild<QLineEdit*>("password")->text().toStdString());
        if (!answer.database.empty())
            window->findChild<QLineEdit*>("database")->setText(QString::fromStdString(answer.database));
        if (auto* name = window->findChild<QLineEdit*>("name")) {
            names_editable.push_back(name->isEnabled());
            if (!answer.name.empty()) name->setText(QString::fromStdString(answer.name));
        }
        window->findChild<QPushButton*>(answer.cancel ? "cancel" : "ok")->click();
    }

    std::vector<Answer> answers_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

struct Outcome {
    SQLRETURN rc;
    std::string output;
    std::string diag;
};

Outcome driver_connect(Dbc& dbc, const std::string& in, SQLUSMALLINT completion, bool with_window = true)
{
    static int window = 0;  // any non-null window: the driver hands it on unchanged
    SQLCHAR out[1024] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLDriverConnect(dbc, with_window ? reinterpret_cast<SQLHWND>(&window) : nullptr,
                                    (SQLCHAR*)in.c_str(), SQL_NTS, out, sizeof out, &length, completion);
    return {rc, reinterpret_cast<char*>(out), dbc.diag()};
}

TEST(Prompt, CompletionLoop)
{
    const std::string good = process_database();
    const std::string missing = "/nonexistent/brolix/first.fdb";
    const std::string missing_again = "/nonexistent/brolix/second.fdb";
    using Answer = DialogAnswerer::Answer;
    struct Case {
        const char* name;
        SQLUSMALLINT completion;
        std::string in;
        std::vector<Answer> answers;
        SQLRETURN rc;
        int prompts;
        size_t messages;
        std::string diag_has;
    };
    const Case cases[] = {
        {"no database: asked once", SQL_DRIVER_COMPLETE, "DSN=brolix_nodb", {{good}}, SQL_SUCCESS, 1, 0, ""},
        {"cancelled", SQL_DRIVER_COMPLETE, "DSN=brolix_nodb", {{"", true}}, SQL_NO_DATA, 1, 0, ""},
        {"database given: nobody asked", SQL_DRIVER_COMPLETE, "DSN=brolix_nodb;DB=" + good, {}, SQL_SUCCESS, 0, 0, ""},
        {"failure shown, asked once more", SQL_DRIVER_COMPLETE, "DSN=brolix_nodb;DB=" + missing, {{good}},
         SQL_SUCCESS, 1, 1, ""},
        {"second failure ends the call", SQL_DRIVER_COMPLETE_REQUIRED, "DSN=brolix_nodb;DB=" + missing,
         {{missing_again}}, SQL_ERROR, 1, 1, "second.fdb"},
        {"asked first, never again", SQL_DRIVER_PROMPT, "DSN=brolix_nodb;DB=" + good, {{missing}}, SQL_ERROR, 1,
         0, "first.fdb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Env env = odbc3_env();
        Dbc dbc(env);
        DialogAnswerer answerer(c.answers);
        Outcome r = driver_connect(dbc, c.in, c.completion);
        EXPECT_EQ(r.rc, c.rc) << r.diag;
        EXPECT_EQ(answerer.prompts, c.prompts);
        EXPECT_EQ(answerer.messages.size(), c.messages);
        if (c.messages > 0) {
            // The driver's diagnostics, as SQLGetDiagRec shows them.
            EXPECT_NE(answerer.messages[0].find("[Tarnwell][Firebird]"), std::string::npos) << answerer.messages[0];
            EXPECT_NE(answerer.messages[0].find("first.fdb"), std::string::npos) << answerer.messages[0];
        }
        if (!c.diag_has.empty()) {
            EXPECT_NE(r.diag.find(c.diag_has), std::string::npos) << r.diag;
        }
        if (c.rc == SQL_SUCCESS) {
            EXPECT_NE(r.output.find("DB=" + good + ";"), std::string::npos) << r.output;
            SQLDisconnect(dbc);
        }
        if (c.rc == SQL_NO_DATA) {
            // Cancel leaves the connection as it was: nothing attached, no
            // diagnostic, and the handle connects as usual afterwards.
            EXPECT_EQ(r.diag, "");
            Outcome again = driver_connect(dbc, "DSN=brolix_nodb;DB=" + good, SQL_DRIVER_NOPROMPT);
            EXPECT_EQ(again.rc, SQL_SUCCESS) << again.diag;
            SQLDisconnect(dbc);
        }
    }
}

TEST(Prompt, EnteredValuesReachTheServer)
{
    // The prompt shows the clear password even when the connection string
    // holds its stored form, and the dialog hands it back in a form the
    // driver sends correctly: the server checks it.
    const std::string in = "DSN=brolix_nodb;UID=SYSDBA;PWD=~ad65a17f4437214ec526e0fe~";  // masterkey
    ASSERT_EQ(required_env("BROLIX_SYSDBA_PASSWORD"), "masterkey");
    Env env = odbc3_env();
    Dbc dbc(env);
    DialogAnswerer answerer({{required_env("BROLIX_SERVER_DATABASE")}});
    Outcome r = driver_connect(dbc, in, SQL_DRIVER_COMPLETE);
    EXPECT_EQ(r.rc, SQL_SUCCESS) << r.diag;
    ASSERT_EQ(answerer.passwords_shown.size(), 1u);
    EXPECT_EQ(answerer.passwords_shown[0], "masterkey");
    if (SQL_SUCCEEDED(r.rc)) SQLDisconnect(dbc);
}

TEST(Prompt, WithoutAWindowNobodyIsAsked)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    DialogAnswerer answerer({});
    Outcome r = driver_connect(dbc, "DSN=brolix_nodb", SQL_DRIVER_COMPLETE, false);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_NE(r.diag.find("A database is required"), std::string::npos) << r.diag;
    EXPECT_EQ(answerer.prompts, 0);
}

TEST(Prompt, ConfigDsnWithAWindowOpensTheDialog)
{
    // An empty attribute list opens an empty dialog whose name can be
    // typed; OK writes the data source, Cancel writes nothing. Both report
    // success to the installer.
    const std::string dsn = "brolix_typed_" + std::to_string(getpid());
    const std::string good = process_database();
    static int window = 0;
    auto hwnd = reinterpret_cast<HWND>(&window);
    const char empty[2] = {'\0', '\0'};
    for (bool cancel : {true, false}) {
        DialogAnswerer answerer({{good, cancel, dsn}});
        EXPECT_TRUE(SQLConfigDataSource(hwnd, ODBC_ADD_DSN, "Tarnwell Firebird ODBC", empty));
        EXPECT_EQ(answerer.prompts, 1);
        ASSERT_EQ(answerer.names_editable.size(), 1u);
        EXPECT_TRUE(answerer.names_editable[0]);
        char database[256] = "";
        SQLGetPrivateProfileString(dsn.c_str(), "Database", "<none>", database, sizeof database, "odbc.ini");
        EXPECT_EQ(database, cancel ? std::string("<none>") : good) << "cancel " << cancel;
    }
    // Configuring it shows the stored values with the name fixed.
    DialogAnswerer answerer({{"", true}});
    std::string configure = "DSN=" + dsn + std::string(2, '\0');
    EXPECT_TRUE(SQLConfigDataSource(hwnd, ODBC_CONFIG_DSN, "Tarnwell Firebird ODBC", configure.c_str()));
    ASSERT_EQ(answerer.names_editable.size(), 1u);
    EXPECT_FALSE(answerer.names_editable[0]);
    SQLRemoveDSNFromIni(dsn.c_str());
}

}  // namespace
