// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#include "mainform.h"

#include <QListWidgetItem>
#include <optional>

#include "keltfileoperator.h"
#include "core/pluginlist.h"
#include "core/safetycopy.h"
#include "platform/application.h"
#include "platform/error.h"
#include "platform/fileoperation.h"
#include "platform/filesystem.h"
#include "platform/operationlock.h"

namespace {

// Where an item keeps its full path; the list shows the caption only.
constexpr int PathRole = Qt::UserRole;

QString pathOf(const QListWidgetItem *item)
{
    return item->data(PathRole).toString();
}

void addItem(QListWidget *list, const qv::PlugInItem &plugIn)
{
    auto *item = new QListWidgetItem(plugIn.caption, list);
    item->setData(PathRole, plugIn.path);
}

} // namespace

void TForm1::FillPlugInList()
{
    // Also run again after Optimize and Restore, so the list always shows
    // what Reader does not load now.
    FillPlugInList(qv::plugInsNotLoaded(ReaderFolder, ReaderVersion));
}

void TForm1::FillPlugInList(const std::vector<qv::PlugInItem> &plugIns)
{
    ListView1->clear();
    for (const qv::PlugInItem &plugIn : plugIns)
        addItem(ListView1, plugIn);
}

void TForm1::FindPlugIns(const QString &folder, const QString &pattern, bool recurse)
{
    for (const qv::PlugInItem &plugIn : qv::findPlugInFiles(folder, pattern, recurse))
        addItem(ListView1, plugIn);
}

QStringList TForm1::pluginsKeptLoaded() const
{
    // The list is what Reader is not to load: what it does not hold stays.
    QStringList listed;
    for (int i = 0; i < ListView1->count(); ++i) {
        const QString below = qv::pathBelowPlugInFolders(ReaderFolder, pathOf(ListView1->item(i)));
        if (!below.isEmpty())
            listed << below;
    }
    QStringList kept;
    for (const QString &rel : qv::plugInsLoaded(ReaderFolder))
        if (!listed.contains(rel, Qt::CaseInsensitive))
            kept << rel;
    return kept;
}

void TForm1::Load1Click()
{
    qv::guarded([&] {
        const QList<QListWidgetItem *> selected = ListView1->selectedItems();
        if (selected.isEmpty())
            return;
        QListWidgetItem *item = selected.first();
        const QString caption = item->text();
        const QString path = pathOf(item);

        if (!qv::fileExists(path)) {
            // Say so rather than let the item vanish as if it had come back.
            delete item;
            Memo->clear();
            Memo->addLine(caption + QStringLiteral(" was not found, so nothing was copied back."));
            return;
        }

        const qv::PlugInCopy plan = qv::planBringBack(ReaderFolder, path);
        const bool copies = !plan.alreadyLoaded && !plan.source.isEmpty();
        // Copying into plug_ins is an operation like Optimize: not while another Quorvane runs one.
        std::optional<qv::OperationLock> turn;
        if (copies) {
            turn.emplace();
            if (!turn->held())
                throw qv::Error(turn->refusal());
            FO1->FilesFrom().clear();
            FO1->FilesFrom() << plan.source;
            FO1->setDirTo(plan.target);
            FO1->Execute();
            const QString below = qv::pathBelowPlugInFolders(ReaderFolder, path);
            if (!qv::fileExists(plugInsFolderOf(ReaderFolder) + QLatin1Char('\\') + below)) {
                // The item stays: Reader still does not load it.
                const QString why = qv::lastFileOperationFailure().reason;
                Memo->clear();
                Memo->addLine(caption + QStringLiteral(" could not be copied back into \"") + plugInsFolderOf(ReaderFolder)
                              + QStringLiteral("\"; it is still not loaded on startup. ")
                              + (why.isEmpty() ? QStringLiteral("Check that the folder can be written and try again.") : why));
                return;
            }
        }

        Memo->clear();
        Memo->addLine(caption + QStringLiteral(" will be loaded on startup."));
        delete item;

        if (copies) {
            // A sub-folder or a wildcard may have brought other listed plug-ins back too.
            QList<QListWidgetItem *> back;
            for (int i = 0; i < ListView1->count(); ++i) {
                QListWidgetItem *other = ListView1->item(i);
                const qv::PlugInCopy otherPlan = qv::planBringBack(ReaderFolder, pathOf(other));
                const QString below = qv::pathBelowPlugInFolders(ReaderFolder, pathOf(other));
                if (!otherPlan.alreadyLoaded && !below.isEmpty()
                    && qv::fileExists(plugInsFolderOf(ReaderFolder) + QLatin1Char('\\') + below))
                    back << other;
            }
            for (QListWidgetItem *other : back) {
                Memo->addLine(other->text() + QStringLiteral(" will be loaded on startup."));
                delete other;
            }
        }
    });
}

void TForm1::RemoveAll1Click()
{
    ListView1->clear();
}
