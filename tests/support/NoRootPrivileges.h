#pragma once
// Tests of read-only files and folders run as root in CI, where permission bits do not
// stop writes. This guard drops the capabilities that let root ignore them from the calling
// thread's effective set, and puts them back when it goes out of scope.

class TNoRootPrivileges
{
public:
    TNoRootPrivileges();
    ~TNoRootPrivileges();
    TNoRootPrivileges(const TNoRootPrivileges &) = delete;
    TNoRootPrivileges &operator=(const TNoRootPrivileges &) = delete;

    // True when permission bits are honoured now (dropped, or never root).
    bool Active() const { return FActive; }

private:
    bool FDropped = false;
    bool FActive = false;
    unsigned FSaved[2] = { 0, 0 };
};
