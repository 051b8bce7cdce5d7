// Creating the file-type dialog on a registry with 20,000 file types under
// HKEY_CLASSES_ROOT: from the dialog's creation to its list filled (the whole
// catalogue scan runs while the dialog loads). Runs on the offscreen platform
// against a store in a temporary folder.
#include "ListItemsModel.h"
#include "ListView.h"
#include "RegistryStore.h"
#include "frmFileTypes.h"
#include "modRegistry.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr int TypeCount = 20000;

/// A mix of names as a machine has them: extensions, "...file" types and
/// media types.
std::string TypeName(int i) {
    switch (i % 3) {
    case 0:
        return ".ext" + std::to_string(i);
    case 1:
        return "type" + std::to_string(i) + "file";
    default:
        return "application/x-kind-" + std::to_string(i);
    }
}

bool FillClassesRoot() {
    return tavisk::registry::runInTransaction([] {
        for (int i = 0; i < TypeCount; ++i) {
            modRegistry::WriteRegValue(
                modRegistry::HKCR, TypeName(i) + "\\DefaultIcon", "", modRegistry::REG_SZ_TYPE,
                std::string("%SystemRoot%\\icons.dll,") + std::to_string(i % 40));
            if (i % 3 == 0) {
                // Each extension names the media type made two steps later.
                modRegistry::WriteRegValue(modRegistry::HKCR, TypeName(i), "",
                                           modRegistry::REG_SZ_TYPE, TypeName(i + 2));
            }
        }
        return true;
    });
}

void BM_FileTypesDialogCreation(benchmark::State& state) {
    for (auto _ : state) {
        frmFileTypes form(nullptr);
        benchmark::DoNotOptimize(form.lvwFileTypes->ListItems().count());
        state.PauseTiming();
        if (form.lvwFileTypes->ListItems().count() != TypeCount) {
            state.SkipWithError("the list does not hold every file type");
        }
        state.ResumeTiming();
    }
}

/// The registry's share of it: the same enumeration and value reads, no window.
void BM_CatalogueRegistryReads(benchmark::State& state) {
    for (auto _ : state) {
        int listed = 0;
        std::int32_t index = 0;
        std::string name = modRegistry::EnumRegSubkey(modRegistry::HKCR, "", index);
        while (name != modRegistry::NotFound) {
            listed += modRegistry::ReadRegValue(modRegistry::HKCR, name + "\\DefaultIcon", "") !=
                      modRegistry::NotFound;
            name = modRegistry::EnumRegSubkey(modRegistry::HKCR, "", ++index);
        }
        benchmark::DoNotOptimize(listed);
    }
}

BENCHMARK(BM_CatalogueRegistryReads)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_FileTypesDialogCreation)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

/// The first tooltip of a freshly loaded dialog: the one pass over the
/// extension keys, and the row's own description.
void BM_FirstToolTip(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        frmFileTypes form(nullptr);
        ListItemsModel& rows = form.lvwFileTypes->ListItems();
        const QModelIndex row = rows.index(rows.indexOfKey(QStringLiteral("application/x-kind-2")));
        state.ResumeTiming();
        const QString tip = row.data(Qt::ToolTipRole).toString();
        state.PauseTiming();
        if (tip != QStringLiteral("Extensions: .ext0")) {
            state.SkipWithError("the tooltip does not name the extension");
        }
        state.ResumeTiming();
    }
}

BENCHMARK(BM_FirstToolTip)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    QApplication app(argc, argv);
    const auto opened =
        tavisk::registry::openStore(dir.filePath(QStringLiteral("registry.db")).toStdString());
    if (!opened.ok() || !FillClassesRoot()) {
        std::fprintf(stderr, "cannot make the benchmark's registry: %s\n", opened.message.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tavisk::registry::closeStore();
    return 0;
}
