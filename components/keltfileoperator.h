// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvane developers
#pragma once

#include <QStringList>
#include <cstdint>
#include <initializer_list>

#include "kelsystemclass.h"
#include "platform/fileoperation.h"

// What a TKELFileOperator does with its files.
enum TKELFileFunction : uint8_t {
    opCopyFile = 0,
    opDeleteFile = 1,
    opMoveFile = 2,
    opRenameFile = 3,
};

// The options; the ordinal of each is its bit in TKELFileFlags (the shell
// bits differ, see the translation in keltfileoperator.cpp).
enum TKELFileFlag : uint8_t {
    opAllowUndo = 0,
    opConfirmMouse = 1,
    opFilesOnly = 2,
    opMultiDestFiles = 3,
    opNoConfirmation = 4,
    opNoConfirmMkDir = 5,
    opRenameOnCollision = 6,
    opSilent = 7,
    opSimpleProgress = 8,
    opWantMappingHandle = 9,
};

// A set of TKELFileFlag: member n is bit n of a 16-bit word.
class TKELFileFlags
{
public:
    constexpr TKELFileFlags() = default;
    constexpr TKELFileFlags(TKELFileFlag f) : m_bits(uint16_t(1u << f)) {}
    constexpr TKELFileFlags(std::initializer_list<TKELFileFlag> flags)
    {
        for (TKELFileFlag f : flags)
            m_bits |= uint16_t(1u << f);
    }
    static constexpr TKELFileFlags fromInt(uint16_t bits)
    {
        TKELFileFlags s;
        s.m_bits = bits;
        return s;
    }
    constexpr uint16_t toInt() const { return m_bits; }
    constexpr bool testFlag(TKELFileFlag f) const { return (m_bits >> f) & 1u; }
    constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr TKELFileFlags &setFlag(TKELFileFlag f, bool on = true)
    {
        m_bits = on ? uint16_t(m_bits | (1u << f)) : uint16_t(m_bits & ~(1u << f));
        return *this;
    }
    constexpr TKELFileFlags operator|(TKELFileFlags o) const { return fromInt(uint16_t(m_bits | o.m_bits)); }
    constexpr TKELFileFlags &operator|=(TKELFileFlags o)
    {
        m_bits |= o.m_bits;
        return *this;
    }
    constexpr bool operator==(const TKELFileFlags &) const = default;

private:
    uint16_t m_bits = 0;
};

// Hands one batch of files to the shell's batch file operation: copy,
// delete, move or rename, with the shell's own progress window, questions
// and error windows. Paths are Windows paths of the current prefix.
class TKELFileOperator : public TKELExecuteComponent
{
    Q_OBJECT
    Q_PROPERTY(QStringList FilesFrom READ FilesFromList WRITE setFilesFrom)
    Q_PROPERTY(QString DirFrom READ DirFrom WRITE setDirFrom)
    Q_PROPERTY(QString DirTo READ DirTo WRITE setDirTo)
    Q_PROPERTY(int Operation READ operationOrdinal WRITE setOperationOrdinal)
    Q_PROPERTY(int Flags READ flagsOrdinal WRITE setFlagsOrdinal)

public:
    explicit TKELFileOperator(QObject *owner = nullptr);
    ~TKELFileOperator() override;

    // The component's own list: callers clear it and add lines.
    QStringList &FilesFrom() { return m_filesFrom; }
    const QStringList &FilesFrom() const { return m_filesFrom; }
    // Copies all lines of the given list into the component's own.
    void setFilesFrom(const QStringList &lines) { m_filesFrom = lines; }

    QString DirFrom() const { return m_dirFrom; }
    void setDirFrom(const QString &dir) { m_dirFrom = dir; }
    QString DirTo() const { return m_dirTo; }
    void setDirTo(const QString &dir) { m_dirTo = dir; }

    TKELFileFunction Operation() const { return m_operation; }
    void setOperation(TKELFileFunction op) { m_operation = op; }

    // Read from and written to the shell flag word, its only storage.
    TKELFileFlags Flags() const;
    void setFlags(TKELFileFlags flags);

    // The shell request as the last Execute left it (wFunc, fFlags ...);
    // its list and title pointers are stale once Execute has returned.
    const qv::ShFileOpStruct &ShellRequest() const { return m_request; }

    // Runs the batch; true exactly when the shell was called and returned 0.
    // Throws qv::Error "Directory Information is invalid" when a copy, move
    // or rename has no DirTo, and "Can not locate current Directory" when
    // DirFrom is not a folder.
    bool Execute() override;

    // The shell bit of each flag, in ordinal order.
    static uint16_t shellBit(TKELFileFlag flag);

signals:
    void OnDone(TKELFileOperator *Sender);
    void OnSuccessRename(TKELFileOperator *Sender);
    void OnSuccessDelete(TKELFileOperator *Sender);
    void OnSuccessCopy(TKELFileOperator *Sender);
    void OnSuccessMove(TKELFileOperator *Sender);
    void OnFailRename(TKELFileOperator *Sender);
    void OnFailDelete(TKELFileOperator *Sender);
    void OnFailCopy(TKELFileOperator *Sender);
    void OnFailMove(TKELFileOperator *Sender);

protected:
    // The shell call itself; tests stand in for it to see the request.
    virtual int callShell(qv::ShFileOpStruct &request);

private:
    QStringList FilesFromList() const { return m_filesFrom; }
    int operationOrdinal() const { return m_operation; }
    void setOperationOrdinal(int op) { m_operation = TKELFileFunction(op & 3); }
    int flagsOrdinal() const { return Flags().toInt(); }
    void setFlagsOrdinal(int bits) { setFlags(TKELFileFlags::fromInt(uint16_t(bits))); }

    qv::ShFileOpStruct m_request;
    QStringList m_filesFrom;
    QString m_dirTo;
    QString m_dirFrom;
    TKELFileFunction m_operation = opCopyFile;
};
