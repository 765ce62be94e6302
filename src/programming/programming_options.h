#pragma once

namespace vantrel {

// The options the operations read; the window's menu items and check boxes are views of them.
struct TProgrammingOptions {
    bool AutoVerify = true;   // "Auto-Verify": read back while writing, verify after
    bool BlankCheck = true;   // "Blank Chk": check an EPROM part is blank before programming
    bool ChangeCal = false;   // "Change Cal": let the file's calibration word replace the chip's
    bool AutoUpdate = false;  // "Auto-Update": poll the loaded file for changes after a Write
};

}  // namespace vantrel
