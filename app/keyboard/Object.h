#pragma once

// The root of the program's object classes: each class that is told apart at
// run time names itself, for diagnostics. Code that needs a stroke's kind asks
// CStrokeBase::GetKind.
class CObject {
public:
    virtual ~CObject() = default;
    virtual const char* GetRuntimeClassName() const { return "CObject"; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
