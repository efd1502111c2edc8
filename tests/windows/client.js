// A JScript client of the registered KelmAPI.dll (cscript //nologo client.js <copy of the example
// library>): arguments by value (strings and numbers for kinds and flags); a failure is an exception
// with the status in `number`. The first mismatch names the step and exits with 1.
var PartType = 3;  // KelmEnum_ObjType
var folder = WScript.Arguments(0);
var qvm = folder + "\\Demo.qvm";
var kelm = new ActiveXObject("KelmAPI.Kelm");

function fail(step, message) {
    WScript.Echo("FAILED: " + step + ": " + message);
    WScript.Quit(1);
}
function hex(number) { return (number >>> 0).toString(16).toUpperCase(); }

// Runs a step and checks its status (0: no exception) and, on failure, its words.
function expect(step, status, body, method) {
    var number = 0, description = "";
    try {
        body();
    } catch (e) {
        number = e.number; description = e.description;
    }
    if ((number >>> 0) !== (status >>> 0)) fail(step, "status " + hex(number) + ", expected " + hex(status) + " (" + description + ")");
    if (method && description.indexOf(method + " failed") !== 0) fail(step, "description: " + description);
}

expect("open a missing library", 0x80004005, function () { kelm.Kelmstore_Open(folder + "\\Missing.qvm", "alice", false); }, "Kelmstore_Open");
expect("open", 0, function () { kelm.Kelmstore_Open(qvm, "alice", false); });
expect("reserve (a kind as a string)", 0, function () { kelm.ReservePartition("Resistors", "3"); });
expect("copy", 0, function () { kelm.CopyItemInQVM("Resistors", "R-0805-1K", "Resistors", "R-JS", PartType, false, false); });
expect("copy again (the copy exists)", 0x80040005, function () { kelm.CopyItemInQVM("Resistors", "R-0805-1K", "Resistors", "R-JS", PartType, false, false); }, "CopyItemInQVM");
expect("move it (numbers as flags)", 0, function () { kelm.CopyItemInQVM("Resistors", "R-JS", "Resistors", "R-JS2", PartType, 0, 1); });
expect("moved away", 0x8004100A, function () { kelm.CopyItemInQVM("Resistors", "R-JS", "Resistors", "R-JS3", PartType, 0, 0); }, "CopyItemInQVM");
expect("release", 0, function () { kelm.UnReservePartition("Resistors", PartType); });
expect("save", 0, function () { kelm.SaveQVM(); });
// What JScript cannot do: an out-parameter needs a reference.
var threw = false;
try { var scheme = ""; kelm.GetSearchScheme_Default(scheme); } catch (e) { threw = true; }
if (!threw) fail("an out-parameter by value", "no type mismatch");
expect("close", 0, function () { kelm.Kelmstore_Close(); });
WScript.Echo("client.js: all steps passed");
