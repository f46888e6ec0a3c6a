#pragma once
// ISettingsPart: a subsystem that keeps some of the window's settings. The window keeps a
// list of them: applying a settings value loads every part in turn, and saving asks every
// part to put what it shows now back into the value. A part that only reads its settings
// keeps the default Save.

class TWindowSettings;

class ISettingsPart {
public:
    virtual ~ISettingsPart() = default;
    virtual void Load(const TWindowSettings &settings) = 0;
    virtual void Save(TWindowSettings &settings) const { (void)settings; }
};
