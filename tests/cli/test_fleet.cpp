// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// quorvane-cli as configuration management runs it: JSON that holds to its
// schema, runs that change only what is not so already, and the Ansible
// module and winetricks verb built on it, each run for real.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

#include "cli/commands.h"
#include "platform/test_processes_fake.h"
#include "support/fleet.h"
#include "support/testprefix.h"
#include "support/treelisting.h"

namespace {

const QString kSchema = sourceDir() + "/share/schema/quorvane-cli.schema.json";
const QString kCollections = sourceDir() + "/integrations/ansible";

QJsonObject json(const CliResult &r)
{
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

} // namespace

// Every command's JSON, in every outcome worth telling apart, validated by
// a real JSON Schema validator; and two optimize runs in a row, of which the
// second says it changed nothing and changes no time stamp.
TEST_F(SamplePrefixTest, EveryCommandsJsonHoldsToTheSchemaAndASecondRunChangesNothing)
{
    const struct
    {
        const char *label;
        QStringList arguments;
        int exitCode;
        QJsonValue changed; // Undefined: a command that changes nothing
    } runs[] = {
        {"prefixes", {"prefixes", "--json"}, 0, QJsonValue::Undefined},
        {"status", {"status", "--json"}, 0, QJsonValue::Undefined},
        {"planned", {"optimize", "--json", "--dry-run", "--keep", "Annots"}, 0, true},
        {"refused", {"optimize", "--json"}, 1, false},
        {"optimized", {"optimize", "--json", "--keep-splash"}, 0, true},
        {"again", {"optimize", "--json", "--keep-splash"}, 0, false},
        {"restore planned", {"restore", "--json", "--dry-run"}, 0, true},
        {"restored", {"restore", "--json"}, 0, true},
        {"nothing to restore", {"restore", "--json"}, 0, false},
    };
    QStringList files;
    TreeListing optimized;
    for (const auto &run : runs) {
        // A running Reader refuses the one run meant to be refused.
        std::unique_ptr<FakeProcess> running;
        if (QLatin1String(run.label) == "refused")
            running = std::make_unique<FakeProcess>("C:\\Program Files\\Adobe\\Reader 9.0\\Reader\\AcroRd32.exe",
                                                    root.toStdString());
        const CliResult r = cli(run.arguments);
        EXPECT_EQ(r.exitCode, run.exitCode) << run.label << ": " << r.err.toStdString();
        const QJsonObject o = json(r);
        EXPECT_EQ(o.value("changed"), run.changed) << run.label << ": " << r.out.toStdString();
        if (QLatin1String(run.label) == "refused")
            EXPECT_EQ(o.value("running_reader").toInteger(), running->pid());
        if (QLatin1String(run.label) == "optimized")
            optimized = TreeListing::of(root);
        if (QLatin1String(run.label) == "again") {
            EXPECT_EQ(o.value("outcome"), "completed");
            EXPECT_EQ(optimized.changesTo(TreeListing::of(root)), QStringList());
        }
        files << tmp.write(QString("%1.json").arg(files.size()), r.out.toUtf8());
    }
    const CliResult valid = fleetCheck(QStringList{"validate", kSchema} + files);
    SKIP_UNLESS_RUN(valid);
    EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString() << valid.err.toStdString();
}

// The module and the schema offer exactly the command line's options: one
// added to the table fails this until both know it.
TEST(Fleet, TheModuleAndTheSchemaHaveTheCommandLinesOptions)
{
    QJsonArray table;
    for (const qv::cli::OptionInfo &o : qv::cli::optionTable())
        table.append(QJsonObject{{"name", o.name},
                                 {"value", !o.valueName.isEmpty()},
                                 {"repeatable", o.repeatable},
                                 {"commands", QJsonArray::fromStringList(o.commands)}});
    TempDir tmp;
    const QString file = tmp.write("options.json", QJsonDocument(table).toJson());
    const CliResult r = fleetCheck({"options", file,
                                    kCollections + "/ansible_collections/quorvane/desktop/plugins/modules/reader.py",
                                    kSchema});
    SKIP_UNLESS_RUN(r);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
}

// A real ansible-playbook with the local connection: a check run changes
// nothing and shows old and new values, the first run changes, the second
// does not, and restoring brings every plug-in back.
TEST_F(SamplePrefixTest, APlaybookChangesOnceChecksWithoutChangingAndRestores)
{
    const QString playbook = QStandardPaths::findExecutable("ansible-playbook");
    if (playbook.isEmpty())
        GTEST_SKIP() << "ansible-playbook is not installed (Debian's ansible-core; scripts/bootstrap installs it)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString ansible = tmp.file("ansible");
    QDir().mkpath(ansible + "/tmp");
    for (const auto &[name, value] :
         {std::pair<const char *, QString>{"ANSIBLE_CONFIG", tmp.write("ansible.cfg", "")},
          {"ANSIBLE_HOME", ansible}, {"ANSIBLE_LOCAL_TEMP", ansible + "/tmp"},
          {"ANSIBLE_REMOTE_TEMP", ansible + "/remote"}, {"ANSIBLE_COLLECTIONS_PATH", kCollections},
          {"ANSIBLE_NOCOLOR", "1"}, {"ANSIBLE_RETRY_FILES_ENABLED", "0"},
          {"ANSIBLE_LOCALHOST_WARNING", "0"}, {"ANSIBLE_INVENTORY_UNPARSED_WARNING", "0"},
          {"XDG_DATA_HOME", tmp.file("data")}})
        env.insert(name, value);
    const QString play = tmp.write("play.yml", R"(
- hosts: localhost
  connection: local
  gather_facts: false
  vars:
    ansible_python_interpreter: "{{ ansible_playbook_python }}"
  tasks:
    - quorvane.desktop.reader:
        state: "{{ state }}"
        prefix: "{{ prefix }}"
        executable: "{{ cli }}"
        keep: [Annots.api]
      register: result
    - ansible.builtin.copy:
        content: "{{ result | to_json }}"
        dest: "{{ out }}"
      check_mode: false
)");
    auto run = [&](const char *state, const QStringList &mode) -> QJsonObject {
        const QString out = tmp.file("result.json");
        QFile::remove(out);
        const CliResult r = runProgram(playbook, QStringList{"-i", "localhost,", play, "-e", QString("state=") + state,
                                                             "-e", "prefix=" + root, "-e", "cli=" QV_CLI_PATH,
                                                             "-e", "out=" + out} + mode,
                                       env);
        EXPECT_EQ(r.exitCode, 0) << state << ": " << r.out.toStdString() << r.err.toStdString();
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    };
    const auto original = treeContents(plugIns());
    const TreeListing before = TreeListing::of(root);

    const QJsonObject checked = run("optimized", {"--check", "--diff"});
    EXPECT_EQ(checked["changed"], true);
    EXPECT_TRUE(checked["diff"]["before"].toString().contains("\\Updater\\iUpdateFrequency = 3\n"))
        << checked["diff"]["before"].toString().toStdString();
    EXPECT_TRUE(checked["diff"]["after"].toString().contains("\\Updater\\iUpdateFrequency = 0\n"));
    EXPECT_EQ(before.changesTo(TreeListing::of(root)), QStringList());

    EXPECT_EQ(run("optimized", {})["changed"], true);
    EXPECT_EQ(treeContents(plugIns()).keys(), QStringList({"Annots.api", "EWH32.api", "EWH32.dat", "EWH32.ini",
                                                           "search.api", "search.dat", "search.ini"}));
    const TreeListing optimized = TreeListing::of(root);
    EXPECT_EQ(run("optimized", {})["changed"], false);
    EXPECT_EQ(optimized.changesTo(TreeListing::of(root)), QStringList());

    EXPECT_EQ(run("restored", {})["changed"], true);
    EXPECT_TRUE(treeContents(plugIns()) == original);
    EXPECT_EQ(run("restored", {})["changed"], false);
}

// winetricks runs the verb on the prefix it works on.
TEST_F(SamplePrefixTest, TheWinetricksVerbOptimizesThePrefixItWorksOn)
{
    const QString winetricks = QStandardPaths::findExecutable("winetricks");
    if (winetricks.isEmpty())
        GTEST_SKIP() << "winetricks is not installed (it is in Debian's contrib section)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", root);
    env.insert("QUORVANE_CLI", QV_CLI_PATH);
    env.insert("WINEDEBUG", "-all");
    const CliResult r = runProgram(winetricks, {"--unattended", sourceDir() + "/integrations/winetricks/quorvane.verb"},
                                   env);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QJsonObject status = json(cli({"status", "--json"}));
    EXPECT_EQ(status["reader"]["optimized"], true) << r.out.toStdString();
}
