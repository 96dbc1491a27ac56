// A copy of the demo configuration with a small generated results database, loaded for a product as the
// main window loads it, and a chart window opened on it.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connectdatasource.h"
#include "data/config/configfiles.h"
#include "data/loader/plotfunction.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace moldrin::test
{

template <class Window> struct DemoSession {
    QTemporaryDir dir;
    AppState state { dir.filePath(QStringLiteral("settings")) };
    ScriptedPrompt prompt;
    data::SelectionLists lists;
    data::PlotSelection selection;
    std::unique_ptr<Window> window;

    // The demo's INI files and `units` units a product, the product loaded and connected.
    bool load(int units = 300, const QString& product = QStringLiteral("PSU-100"))
    {
        if (!CopyDemoConfiguration(dir.path()) || !GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, dir.path(), units))
            return false;
        FillProductList(lists, data::LocateConfigFolder(state, lists, dir.path()).value_or(QString()));
        lists.productIndex = int(lists.productList.indexOf(product));
        data::LoadColumnNames(state, prompt, product);
        data::LoadProductSpec(state, prompt, lists, product);
        data::GetTestParameterName(state, prompt, lists);
        if (!data::ConnectDataSource(product, data::ReadIniDatabase(product, state), state, prompt).ok)
            return false;
        selection.product = product;
        selection.range = QStringLiteral("All");
        return prompt.messages.isEmpty();
    }

    // Replaces `from` by `to` in the configuration folder's PRODUCTS.INI.
    bool editProducts(const QString& from, const QString& to)
    {
        QFile file(QDir(dir.path()).filePath(data::kProductsIni));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = file.readAll();
        file.close();
        text.replace(from.toLatin1(), to.toLatin1());
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
    }

    // A new window; `prepare` sets what the caller sets before it loads.
    template <class Prepare> Window& open(Prepare prepare)
    {
        window = std::make_unique<Window>(state, prompt, selection);
        window->resize(1040, 640);
        prepare(*window);
        window->Form_Load();
        return *window;
    }
    Window& open()
    {
        return open([](Window&) {});
    }
    void close()
    {
        window->close();
        window.reset();
    }
};

} // namespace moldrin::test
