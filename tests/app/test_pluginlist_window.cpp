// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
// The plug-in list driven through the window: start-up filling, the context
// menu on a right click, and how the list governs Optimize.

#include "app/test_optimize_support.h"
#include "keltfileoperator.h"

#include <QContextMenuEvent>
#include <QListWidget>
#include <QTextBlock>
#include <QMenu>
#include <QTest>

namespace {

struct PlugInList : ReaderPrefix
{
    void SetUp() override
    {
        ReaderPrefix::SetUp();
        QDir(host("plug_ins")).removeRecursively();
        form->ListView1->clear();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Files below the Reader folder ("plug_ins/S/a.api"), each holding its own name.
    void files(const QStringList &relatives)
    {
        for (const QString &rel : relatives)
            tmp.write(readerHost + "/" + rel, rel.toUtf8());
    }
    void marker() { tmp.write(readerHost + "/Wexmor.DAT", "Backup Done.\r\n"); }

    // Start-up as the program runs it; the list is filled in it.
    void startUp() { form->FormCreate(); }

    QStringList captions() const
    {
        QStringList out;
        for (int i = 0; i < form->ListView1->count(); ++i)
            out << form->ListView1->item(i)->text();
        return out;
    }
    QStringList sortedCaptions() const
    {
        QStringList out = captions();
        out.sort();
        return out;
    }
    QListWidgetItem *item(const QString &caption) const
    {
        const auto found = form->ListView1->findItems(caption, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    // A right click at pos of the list (viewport coordinates) and the context
    // menu it opens, as the window system delivers them.
    void rightClickAt(const QPoint &pos)
    {
        QWidget *viewport = form->ListView1->viewport();
        QTest::mouseClick(viewport, Qt::RightButton, {}, pos);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
        QApplication::sendEvent(viewport, &menuEvent);
    }
    void rightClick(const QString &caption)
    {
        QListWidgetItem *it = item(caption);
        ASSERT_NE(it, nullptr) << caption.toStdString();
        rightClickAt(form->ListView1->visualItemRect(it).center());
    }
    void choose(QAction *action)
    {
        QMenu *menu = form->PopupMenu1;
        ASSERT_TRUE(menu->isVisible());
        menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
        EXPECT_FALSE(menu->isVisible());
    }
    void removeFromList(const QString &caption)
    {
        rightClick(caption);
        choose(form->Load1);
    }

    QString path(const QString &caption) const { return item(caption)->data(Qt::UserRole).toString(); }
    QStringList memo() const { return form->Memo->Lines(); }
    // Whether the memo shows all of the line with this number, unscrolled.
    bool memoShows(int line) const
    {
        const QTextCursor at(form->Memo->document()->findBlockByNumber(line));
        return form->Memo->viewport()->rect().contains(form->Memo->cursorRect(at));
    }
    QStringList selected() const
    {
        QStringList out;
        for (const QListWidgetItem *it : form->ListView1->selectedItems())
            out << it->text();
        return out;
    }
};

TEST_F(PlugInList, WithoutMarkerEveryPlugInOfPlugInsInSearchOrder)
{
    files({"plug_ins/S/b.api", "plug_ins/S/a.api", "plug_ins/EWH32.api", "plug_ins/EWH32.ini",
           "plug_ins/.hidden.api", "plug_ins/.H/secret.api"});
    startUp();

    const QStringList got = captions();
    ASSERT_EQ(got.size(), 4) << got.join(",").toStdString();
    // The folder's own files first (hidden ones too), then the visible sub-folder's.
    EXPECT_EQ(QSet<QString>(got.begin(), got.begin() + 2), QSet<QString>({"EWH32.api", ".hidden.api"}));
    EXPECT_EQ(QSet<QString>(got.begin() + 2, got.end()), QSet<QString>({"a.api", "b.api"}));
    EXPECT_EQ(path("EWH32.api"), readerFolder + "\\plug_ins\\EWH32.api");
    EXPECT_EQ(path("a.api"), readerFolder + "\\plug_ins\\S\\a.api");
}

TEST_F(PlugInList, WithMarkerOnlyWhatPlugInsLacks)
{
    marker();
    files({"Optional/EWH32.api", "Optional/search.api", "Optional/X.api", "plug_ins/EWH32.api", "plug_ins/search.api"});
    startUp();
    EXPECT_EQ(captions(), QStringList({"X.api"}));
    EXPECT_EQ(path("X.api"), readerFolder + "\\Optional\\X.api");
}

TEST_F(PlugInList, RemoveFromListBringsThePlugInAndItsCompanionsBack)
{
    marker();
    files({"Optional/EWH32.api", "Optional/X.api", "Optional/X.ini", "Optional/Y.api", "plug_ins/EWH32.api"});
    startUp();
    ASSERT_EQ(sortedCaptions(), QStringList({"X.api", "Y.api"}));
    const auto optionalBefore = filesOf("Optional");

    removeFromList("X.api");

    EXPECT_EQ(filesOf("plug_ins").keys(), QStringList({"EWH32.api", "X.api", "X.ini"}));
    EXPECT_EQ(filesOf("Optional"), optionalBefore);
    EXPECT_EQ(memo(), QStringList({"X.api will be loaded on startup."}));
    EXPECT_EQ(captions(), QStringList({"Y.api"}));
    EXPECT_TRUE(fileWindows.errors.isEmpty()) << fileWindows.errors.join("\n").toStdString();
}

TEST_F(PlugInList, RemoveFromListOnASubFolderItemBringsTheWholeSubFolderBack)
{
    marker();
    files({"Optional/EWH32.api", "Optional/S/a.api", "Optional/S/b.api", "Optional/S/data.bin",
           "Optional/S/T/c.dll", "plug_ins/EWH32.api"});
    // A sub-folder of that name already in plug_ins is filled, not given a nested copy.
    tmp.write(readerHost + "/plug_ins/S/data.bin", "older data");
    startUp();
    ASSERT_EQ(sortedCaptions(), QStringList({"a.api", "b.api"}));
    const QString other = captions().at(1);

    removeFromList(captions().at(0));

    EXPECT_EQ(filesOf("plug_ins").keys(),
              QStringList({"EWH32.api", "S/T/c.dll", "S/a.api", "S/b.api", "S/data.bin"}));
    EXPECT_EQ(tmp.read(readerHost + "/plug_ins/S/data.bin"), "Optional/S/data.bin");
    // The other plug-in of the sub-folder came back with it and leaves the list too.
    EXPECT_TRUE(captions().isEmpty());
    ASSERT_EQ(memo().size(), 2);
    EXPECT_EQ(memo().at(1), other + " will be loaded on startup.");
    // Both lines fit the memo, so both show.
    EXPECT_TRUE(memoShows(0));
    EXPECT_TRUE(memoShows(1));

    // At the next start neither is listed again.
    startUp();
    EXPECT_TRUE(captions().isEmpty()) << captions().join(",").toStdString();
}

TEST_F(PlugInList, RemoveFromListOnAPlugInAlreadyInPlugInsCopiesNothing)
{
    files({"plug_ins/EWH32.api", "plug_ins/X.api", "plug_ins/S/a.api"});
    startUp();
    int batches = 0;
    QObject::connect(form->FO1, &TKELFileOperator::OnDone, [&] { ++batches; });
    const auto before = filesOf("plug_ins");

    removeFromList("X.api");
    EXPECT_EQ(memo(), QStringList({"X.api will be loaded on startup."}));
    removeFromList("a.api"); // no Optional\S to copy from: nothing is tried
    EXPECT_EQ(memo(), QStringList({"a.api will be loaded on startup."}));

    EXPECT_EQ(batches, 0);
    EXPECT_EQ(filesOf("plug_ins"), before);
    EXPECT_FALSE(exists("Optional"));
    EXPECT_EQ(captions(), QStringList({"EWH32.api"}));
}

TEST_F(PlugInList, RemoveAllEmptiesTheListAndTouchesNothingElse)
{
    files({"plug_ins/EWH32.api", "plug_ins/X.api", "plug_ins/readme.txt", "plug_ins/.H/h.api"});
    startUp();
    const QStringList memoBefore = memo();
    const auto before = filesOf("plug_ins");

    rightClick("X.api");
    choose(form->RemoveAll1);

    EXPECT_TRUE(captions().isEmpty());
    EXPECT_EQ(memo(), memoBefore);
    EXPECT_EQ(filesOf("plug_ins"), before);

    // A Restore with nothing to restore changes no folder, so the list stays as the user left it.
    restore();
    EXPECT_TRUE(captions().isEmpty());

    // Nothing is listed as not to be loaded, so Optimize unloads nothing.
    optimize();
    EXPECT_EQ(filesOf("plug_ins"), before);
    EXPECT_EQ(filesOf("Optional"), before);
}

TEST_F(PlugInList, RightClickSelectsTheItemAndWithNothingSelectedRemoveDoesNothing)
{
    marker();
    files({"Optional/X.api", "Optional/Y.api"});
    startUp();

    rightClick("Y.api");
    ASSERT_EQ(form->ListView1->selectedItems().size(), 1);
    EXPECT_EQ(form->ListView1->selectedItems().first()->text(), "Y.api");
    form->PopupMenu1->hide();

    form->ListView1->clearSelection();
    const QStringList memoBefore = memo();
    const QPoint empty(form->ListView1->viewport()->width() - 3, form->ListView1->viewport()->height() - 3);
    ASSERT_EQ(form->ListView1->itemAt(empty), nullptr);
    rightClickAt(empty);
    ASSERT_TRUE(form->ListView1->selectedItems().isEmpty());
    choose(form->Load1);

    EXPECT_EQ(sortedCaptions(), QStringList({"X.api", "Y.api"}));
    EXPECT_EQ(memo(), memoBefore);
    EXPECT_FALSE(exists("plug_ins"));
}

TEST_F(PlugInList, AVanishedFileIsDroppedAndTheMemoSaysNothingCameBack)
{
    marker();
    files({"Optional/X.api"});
    startUp();
    QFile::remove(host("Optional/X.api"));

    removeFromList("X.api");

    EXPECT_TRUE(captions().isEmpty());
    EXPECT_EQ(memo(), QStringList({"X.api was not found, so nothing was copied back."}));
    EXPECT_FALSE(exists("plug_ins/X.api"));
}

TEST_F(PlugInList, AFailedCopyKeepsTheItemAndSaysSo)
{
    marker();
    files({"Optional/X.api", "plug_ins/EWH32.api"});
    startUp();
    faults::ReadOnlyMount guard(host("plug_ins"));
    if (!guard.ok())
        GTEST_SKIP() << guard.why().toStdString();

    removeFromList("X.api");

    EXPECT_EQ(captions(), QStringList({"X.api"}));
    ASSERT_EQ(memo().size(), 1);
    EXPECT_TRUE(memo()[0].startsWith("X.api could not be copied back")) << memo()[0].toStdString();
    EXPECT_FALSE(fileWindows.errors.isEmpty());
}

TEST_F(PlugInList, OptimizeUnloadsExactlyWhatTheListHolds)
{
    files({"plug_ins/EWH32.api", "plug_ins/EWH32.ini", "plug_ins/search.api", "plug_ins/A.api", "plug_ins/A.ini",
           "plug_ins/B.api", "plug_ins/B.ini", "plug_ins/readme.txt", "plug_ins/S/c.api", "plug_ins/S/c.dat"});
    startUp();
    removeFromList("B.api");
    const auto before = filesOf("plug_ins");

    QTest::mouseClick(form->FlatButton1, Qt::LeftButton);

    ASSERT_EQ(memo().value(0), "Optimization Completed.") << errorBoxes().join("\n").toStdString();
    EXPECT_EQ(filesOf("Optional"), before);
    // B stayed loaded with its companion, and so did the file no plug-in names at the top, which B may need.
    EXPECT_EQ(filesOf("plug_ins").keys(),
              QStringList({"B.api", "B.ini", "EWH32.api", "EWH32.ini", "readme.txt", "search.api"}));
    // The list now shows what Reader does not load.
    EXPECT_EQ(sortedCaptions(), QStringList({"A.api", "c.api"}));
    EXPECT_EQ(path("c.api"), readerFolder + "\\Optional\\S\\c.api");
}

TEST_F(PlugInList, OptimizeWithTheListUntouchedKeepsOnlyEwh32AndSearchAndRestoreRefillsTheList)
{
    files({"plug_ins/EWH32.api", "plug_ins/EWH32.ini", "plug_ins/search.api", "plug_ins/A.api",
           "plug_ins/readme.txt", "plug_ins/.H/h.api", "plug_ins/S/c.api", "plug_ins/S/T/d.dll"});
    startUp();
    const auto before = filesOf("plug_ins");

    optimize();

    EXPECT_EQ(filesOf("plug_ins").keys(), QStringList({"EWH32.api", "EWH32.ini", "search.api"}));
    EXPECT_EQ(sortedCaptions(), QStringList({"A.api", "c.api"}));

    restore();
    EXPECT_EQ(filesOf("plug_ins"), before);
    EXPECT_EQ(sortedCaptions(), QStringList({"A.api", "EWH32.api", "c.api", "search.api"}));
}

TEST_F(PlugInList, OptimizeWithTheListBoxUntickedLeavesPlugInsAlone)
{
    files({"plug_ins/EWH32.api", "plug_ins/A.api"});
    startUp();
    form->FlatCheckBox11->setChecked(false);
    const auto before = filesOf("plug_ins");

    optimize();

    EXPECT_EQ(filesOf("plug_ins"), before);
    EXPECT_EQ(filesOf("Optional"), before);
    EXPECT_TRUE(exists("Wexmor.DAT"));
    // Nothing is missing from plug_ins, so nothing is listed.
    EXPECT_TRUE(captions().isEmpty());
}

} // namespace

TEST_F(PlugInList, AfterRemoveFromListNothingIsSelectedAndRemovingAgainDoesNothing)
{
    marker();
    files({"Optional/X.api", "Optional/Y.api", "Optional/Z.api", "plug_ins/EWH32.api"});
    startUp();
    ASSERT_EQ(sortedCaptions(), QStringList({"X.api", "Y.api", "Z.api"}));

    removeFromList("Y.api");
    EXPECT_TRUE(selected().isEmpty());
    const QStringList memoAfter = memo();

    // The menu chosen again without pointing at anything takes nothing away.
    form->Load1->trigger();
    EXPECT_EQ(sortedCaptions(), QStringList({"X.api", "Z.api"}));
    EXPECT_EQ(memo(), memoAfter);
    EXPECT_EQ(filesOf("plug_ins").keys(), QStringList({"EWH32.api", "Y.api"}));
}

TEST_F(PlugInList, RightClickOnEmptySpaceClearsTheSelection)
{
    marker();
    files({"Optional/X.api", "Optional/Y.api"});
    startUp();
    rightClick("Y.api");
    ASSERT_EQ(selected(), QStringList({"Y.api"}));
    form->PopupMenu1->hide();

    // On X11 the menu opens at the press and takes the release itself, so
    // the list sees only the press.
    QWidget *viewport = form->ListView1->viewport();
    const QPoint empty(viewport->width() - 3, viewport->height() - 3);
    ASSERT_EQ(form->ListView1->itemAt(empty), nullptr);
    QTest::mousePress(viewport, Qt::RightButton, {}, empty);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, empty, viewport->mapToGlobal(empty));
    QApplication::sendEvent(viewport, &menuEvent);
    EXPECT_TRUE(selected().isEmpty());
    const QStringList memoBefore = memo();
    choose(form->Load1);
    EXPECT_EQ(sortedCaptions(), QStringList({"X.api", "Y.api"}));
    EXPECT_EQ(memo(), memoBefore);
    EXPECT_FALSE(exists("plug_ins/Y.api"));
}

TEST_F(PlugInList, TheMenuKeyActsOnTheSelectionNotOnTheItemUnderThePointer)
{
    marker();
    files({"Optional/X.api", "Optional/Y.api"});
    startUp();
    form->ListView1->setFocus();
    form->ListView1->setCurrentItem(item("Y.api"));
    // Keyboard menus come to the list itself, at the focused item or anywhere.
    const QPoint onX = form->ListView1->viewport()->mapTo(form->ListView1,
                                                          form->ListView1->visualItemRect(item("X.api")).center());
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, onX, form->ListView1->mapToGlobal(onX));
    QApplication::sendEvent(form->ListView1, &menuKey);
    EXPECT_EQ(selected(), QStringList({"Y.api"}));
    choose(form->Load1);
    EXPECT_EQ(captions(), QStringList({"X.api"}));
}
