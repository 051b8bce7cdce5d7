// The desktop bridge at the sizes users reach, each figure beside its
// counterpart in the same run (medians of several runs, in milliseconds):
//   - associating one type on a store of 100 applications x 10 types, through
//     the main window's operation, bridge included;
//   - associating 100 and 1,000 types with one application, then renaming and
//     deleting it, with and without the bridge;
//   - a full sync of 1,000 captions x 10 types, a sync with nothing to
//     change, and a sync after one changed verb;
//   - tavisk-reg import of a 50,000-key file with and without the bridge.
// Everything runs on the offscreen platform, in a temporary HOME with a store
// filled from the machine's MIME database. Usage: bridge_bench [RUNS [PART]]
#include "DesktopBridge.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "MessageBox.h"
#include "MimeImport.h"
#include "RegTool.h"
#include "RegistryStore.h"
#include "TextBox.h"
#include "TreeView.h"
#include "frmFileTypes.h"
#include "frmMain.h"
#include "frmRenameApp.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace desktop = tavisk::desktop;
using modRegistry::HKCR;
using modRegistry::HKLM;

int g_runs = 5;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// Milliseconds one call takes, the bridge's reconcile included: the queued
/// reconcile runs before the clock stops.
double timed(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    QApplication::processEvents();
    desktop::flushBridge();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void report(const char* what, double ms, const char* goal = "") {
    std::printf("%-62s %9.1f ms  %s\n", what, ms, goal);
    std::fflush(stdout);
}

/// A sandbox HOME with its XDG folders and a store filled from the machine's
/// MIME database, plus synthetic types so that more than 1,000 are listed.
class Sandbox final {
public:
    explicit Sandbox(int extraTypes) {
        const std::string root = m_dir.path().toStdString();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            const std::string sub = root + "/" + name;
            ::setenv(name, sub.c_str(), 1);
        }
        const std::string store = root + "/registry.db";
        ::setenv("TAVISK_REGISTRY", store.c_str(), 1);
        tavisk::registry::openStore(store);
        tavisk::registry::importMimeDatabase(
            std::vector<std::string>{"/usr/local/share/mime", "/usr/share/mime"});
        tavisk::registry::runInTransaction([extraTypes] {
            for (int i = 0; i < extraTypes; ++i) {
                const std::string type = "application/x-bench-" + std::to_string(i);
                modRegistry::WriteRegValue(HKCR, type + "\\DefaultIcon", "", 1,
                                           std::string("bench"));
            }
            return true;
        });
    }
    ~Sandbox() {
        desktop::uninstallBridge();
        tavisk::registry::closeStore();
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string path(const std::string& name) const {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    QTemporaryDir m_dir;
};

/// The types the file-type dialog lists (a DefaultIcon default value), shuffled.
std::vector<std::string> listedTypes() {
    std::vector<std::string> types;
    for (std::int32_t i = 0;; ++i) {
        const std::string name = modRegistry::EnumRegSubkey(HKCR, "", i);
        if (name == modRegistry::NotFound) {
            break;
        }
        if (modRegistry::ReadRegValue(HKCR, name + "\\DefaultIcon", "") != modRegistry::NotFound) {
            types.push_back(name);
        }
    }
    std::shuffle(types.begin(), types.end(), std::mt19937(7));
    return types;
}

/// Writes applications as the operations leave them, in one transaction.
void addApplications(int count, int typesEach, const std::vector<std::string>& types) {
    tavisk::registry::runInTransaction([&] {
        std::size_t next = 0;
        for (int a = 0; a < count; ++a) {
            const std::string caption = "Bench tool " + std::to_string(a);
            const std::string command = "/usr/bin/bench-" + std::to_string(a) + " %1";
            const std::string key = modStoreLayout::ApplicationKey(caption);
            modRegistry::WriteRegValue(HKLM, key, "PATH", 1, command);
            modRegistry::WriteRegValue(HKLM, key, "CREATED", 1, std::string("06 December 2026"));
            for (int t = 0; t < typesEach; ++t) {
                const std::string& type = types[next++ % types.size()];
                const std::string verb = modStoreLayout::CommandKey(type, caption);
                modRegistry::WriteRegValue(HKCR, verb, "", 1, command);
                modRegistry::WriteRegValue(HKCR, verb, "AUTHENTIC", 1, std::string("quorvane"));
                modRegistry::WriteRegValue(HKLM, modStoreLayout::AssociationKey(caption, type),
                                           "FileType", 1, type);
            }
        }
        return true;
    });
}

/// Answers the next modal dialog of this type once it is shown.
template <class Dialog> void answer(std::function<void(Dialog&)> action) {
    auto* poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(*dialog);
        }
    });
    poll->start();
}

void tickAndOk(const std::vector<std::string>& types) {
    answer<frmFileTypes>([types](frmFileTypes& dialog) {
        ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
        for (const auto& type : types) {
            const int row = rows.indexOfKey(QString::fromStdString(type));
            if (row >= 0) {
                rows.setChecked(row, true);
            }
        }
        dialog.cmdOk->click();
    });
}

TreeNode* applicationNode(frmMain& form, const QString& caption) {
    for (TreeNode* node : form.controls().treApplications->nodes()) {
        if (node->parent() == nullptr && node->text() == caption) {
            return node;
        }
    }
    return nullptr;
}

void select(frmMain& form, const QString& caption) {
    form.controls().treApplications->setSelectedNode(applicationNode(form, caption));
}

void associateOneOnAFullStore() {
    Sandbox sandbox(0);
    const auto types = listedTypes();
    addApplications(100, 10, types);
    desktop::installBridge([](const std::string&) {},
                           [] { QTimer::singleShot(0, [] { desktop::flushBridge(); }); });
    desktop::syncBridge();
    frmMain form;
    form.Form_Load();
    std::vector<double> times;
    for (int run = 0; run < g_runs; ++run) {
        select(form, QStringLiteral("Bench tool 50"));
        tickAndOk({types[types.size() - 1 - static_cast<std::size_t>(run)]});
        times.push_back(timed([&] { form.AssociateFileTypes(); }));
    }
    report("associate 1 type, store of 100 apps x 10 types, bridge", median(times),
           "(goal <= 100 ms)");
}

struct OperationTimes {
    double associate = 0;
    double rename = 0;
    double remove = 0;
};

/// Associate, rename and delete of one application with n types, medians.
OperationTimes operationsWith(int n, bool bridge) {
    std::vector<double> associate, rename, remove;
    for (int run = 0; run < g_runs; ++run) {
        Sandbox sandbox(400);
        const auto all = listedTypes();
        const std::vector<std::string> types(all.begin(), all.begin() + n);
        if (bridge) {
            desktop::installBridge([](const std::string&) {},
                                   [] { QTimer::singleShot(0, [] { desktop::flushBridge(); }); });
        }
        frmMain form;
        form.Form_Load();
        modRegistry::WriteRegValue(HKLM, modStoreLayout::ApplicationKey("Viewer"), "PATH", 1,
                                   std::string("/usr/bin/viewer %1"));
        form.RefreshTree();
        select(form, QStringLiteral("Viewer"));
        tickAndOk(types);
        associate.push_back(timed([&] { form.AssociateFileTypes(); }));
        select(form, QStringLiteral("Viewer"));
        answer<frmRenameApp>([](frmRenameApp& dialog) {
            dialog.txtCaption->setText(QStringLiteral("Viewer renamed"));
            dialog.cmdOk->click();
        });
        rename.push_back(timed([&] { form.RenameApplication(); }));
        select(form, QStringLiteral("Viewer renamed"));
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        remove.push_back(timed([&] { form.DeleteChoice(); }));
    }
    return {median(associate), median(rename), median(remove)};
}

void operationsAtScale() {
    const OperationTimes small = operationsWith(100, true);
    const OperationTimes large = operationsWith(1000, true);
    const OperationTimes bare = operationsWith(1000, false);
    report("associate 1,000 types, bridge", large.associate, "(goal <= 500 ms)");
    report("associate 1,000 types, no bridge", bare.associate);
    std::printf("%-62s %9.2fx  (goal <= 3x)\n", "  ratio", large.associate / bare.associate);
    report("rename, 1,000 types, bridge", large.rename, "(goal <= 500 ms)");
    report("rename, 1,000 types, no bridge", bare.rename);
    report("delete, 1,000 types, bridge", large.remove, "(goal <= 500 ms)");
    report("delete, 1,000 types, no bridge", bare.remove);
    report("associate 100 types, bridge", small.associate);
    report("rename, 100 types, bridge", small.rename);
    report("delete, 100 types, bridge", small.remove);
    std::printf("%-62s %9.2fx  (goal <= 12x)\n", "  rename growth 100 -> 1,000 types",
                large.rename / small.rename);
    std::printf("%-62s %9.2fx  (goal <= 12x)\n", "  delete growth 100 -> 1,000 types",
                large.remove / small.remove);
}

/// Full, unchanged and one-verb syncs of 1,000 captions x 10 types.
void syncs() {
    std::vector<double> full, unchanged, oneVerb, update;
    for (int run = 0; run < g_runs; ++run) {
        Sandbox sandbox(0);
        addApplications(1000, 10, listedTypes());
        full.push_back(timed([] { desktop::DesktopBridge().sync(); }));
        unchanged.push_back(timed([] { desktop::DesktopBridge().sync(); }));
        std::int32_t first = 0;
        const std::string type = modRegistry::EnumRegSubkey(
            HKLM, modStoreLayout::StorePath + std::string("Bench tool 7"), first);
        const std::string verb = modStoreLayout::CommandKey(type, "Bench tool 7");
        modRegistry::WriteRegValue(HKCR, verb, "", 1, std::string("/usr/bin/changed %1"));
        oneVerb.push_back(timed([] { desktop::DesktopBridge().sync(); }));
        desktop::installBridge([](const std::string&) {});
        modRegistry::WriteRegValue(HKCR, verb, "", 1, std::string("/usr/bin/changed again %1"));
        update.push_back(timed([] { desktop::flushBridge(); }));
        desktop::uninstallBridge();
    }
    report("sync 1,000 captions x 10 types, files absent", median(full), "(goal <= 1,000 ms)");
    report("sync with nothing to change", median(unchanged), "(goal <= 150 ms)");
    report("sync after one changed verb", median(oneVerb));
    report("reconcile of one changed verb (what an operation runs)", median(update),
           "(goal <= 50 ms)");
}

/// A .reg file of 50,000 keys: settings under HKEY_CURRENT_USER, and 100
/// verbs (10 captions x 10 types) under HKEY_CLASSES_ROOT for the bridge.
std::string writeRegFile(const std::string& path, const std::vector<std::string>& types) {
    std::ostringstream text;
    text << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 100; ++i) {
        text << "[HKEY_CLASSES_ROOT\\" << types[static_cast<std::size_t>(i)] << "\\Shell\\Imported "
             << i % 10 << "\\Command]\r\n@=\"/usr/bin/imported " << i % 10 << " %1\"\r\n\r\n";
    }
    for (int i = 0; i < 49900; ++i) {
        text << "[HKEY_CURRENT_USER\\Software\\Bench\\k" << i / 100 << "\\v" << i % 100
             << "]\r\n\"Name\"=\"value " << i << "\"\r\n\r\n";
    }
    const std::string utf8 = text.str();
    std::u16string utf16(utf8.begin(), utf8.end());
    std::ofstream out(path, std::ios::binary);
    out.write("\xFF\xFE", 2);
    out.write(reinterpret_cast<const char*>(utf16.data()),
              static_cast<std::streamsize>(utf16.size() * 2));
    return path;
}

void importWithAndWithoutBridge() {
    std::vector<double> with, without;
    for (int run = 0; run < g_runs; ++run) {
        for (const bool bridge : {false, true}) {
            Sandbox sandbox(0);
            const std::string file = writeRegFile(sandbox.path("keys.reg"), listedTypes());
            if (bridge) {
                desktop::installBridge([](const std::string&) {});
            }
            std::ostringstream out, err;
            const double ms = timed([&] {
                tavisk::regtool::runRegTool({"import", file}, out, err, false, [](int status) {
                    desktop::flushBridge();
                    return status;
                });
            });
            (bridge ? with : without).push_back(ms);
        }
    }
    report("tavisk-reg import, 50,000 keys, bridge", median(with));
    report("tavisk-reg import, 50,000 keys, no bridge", median(without));
    std::printf("%-62s %9.2fx  (goal <= 1.2x)\n", "  ratio", median(with) / median(without));
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc > 1) {
        g_runs = std::max(1, std::atoi(argv[1]));
    }
    // A second argument runs one part alone (for a profiler): one, syncs, operations, import.
    const std::string only = argc > 2 ? argv[2] : "";
    std::printf("medians of %d runs\n", g_runs);
    const std::pair<const char*, void (*)()> parts[] = {{"one", associateOneOnAFullStore},
                                                         {"syncs", syncs},
                                                         {"operations", operationsAtScale},
                                                         {"import", importWithAndWithoutBridge}};
    for (const auto& [name, part] : parts) {
        if (only.empty() || only == name) {
            part();
        }
    }
    return 0;
}
