#pragma once

// The root of the program's object classes: each class that is told apart at
// run time names itself. Kinds are tested with dynamic_cast (stroke objects
// also answer CStrokeBase::GetKind, for the hot loops); the name is for
// diagnostics and for code that reports what it found.
class CObject {
public:
    virtual ~CObject() = default;
    virtual const char* GetRuntimeClassName() const { return "CObject"; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
