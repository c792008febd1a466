// Reads an extended dialog template (DLGTEMPLATEEX) from the resources of the
// running program, field by field, so tests can compare it with its table.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TemplateControl {
    std::string className;  // system classes by name, in lower case
    int id = 0;             // as a signed 16-bit value: 65535 reads as -1
    std::string text;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD exStyle = 0;
    DWORD helpId = 0;
};

struct DialogTemplate {
    WORD version = 0;
    WORD signature = 0;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string windowClass;
    std::string caption;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string typeface;
    std::vector<TemplateControl> controls;
};

// Loads dialog template id from this program's resources; false when it is
// missing or malformed.
bool LoadDialogTemplate(int id, DialogTemplate* dialog);

// The expected frame of a template; every field is compared.
struct ExpectedFrame {
    DWORD style;
    short cx, cy;
    const char* caption;
    WORD pointSize;
    WORD weight;
};

// Compares template id with its frame and its controls, in template order.
// Every template here sits at 6, 18, has no menu, no private class, no
// extended style, help ids of 0, an upright "MS Shell Dlg" font of character
// set 1, and controls without extended styles.
void ExpectDialogTemplate(int id, const ExpectedFrame& frame,
                          const std::vector<TemplateControl>& controls);
