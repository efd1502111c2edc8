' A VBScript client of the registered KelmAPI.dll, run by cscript:
'   cscript //nologo client.vbs <folder with a copy of the example library>
' Every step's status is checked through Err.Number; on the first mismatch
' the script names the step and exits with 1.
Option Explicit
Const PartType = 3   ' KelmEnum_ObjType_PartType
Const Cell = 2       ' KelmEnum_ObjType_Cell
Dim folder, qvm, kelm, fso
folder = WScript.Arguments(0)
qvm = folder & "\Demo.qvm"
Set fso = CreateObject("Scripting.FileSystemObject")

Sub Expect(stepName, expected)
    If Err.Number <> expected Then
        WScript.Echo "FAILED: " & stepName & ": status " & Hex(Err.Number) & ", expected " & Hex(expected)
        WScript.Quit 1
    End If
    Err.Clear
End Sub

Sub ExpectLibraryMentions(stepName, text, expected)
    Dim content
    content = fso.OpenTextFile(qvm).ReadAll()
    If (InStr(content, text) > 0) <> expected Then
        WScript.Echo "FAILED: " & stepName & ": Demo.qvm should mention " & text & ": " & expected
        WScript.Quit 1
    End If
End Sub

On Error Resume Next
Set kelm = CreateObject("KelmAPI.Kelm")
Expect "CreateObject", 0
' VBScript reports E_INVALIDARG (0x80070057) as its own error 5.
kelm.Kelmstore_Open folder & "\Demo.txt", "alice", False
Expect "open with a wrong extension", 5
kelm.Kelmstore_Open folder & "\Missing.qvm", "alice", False
Expect "open of a missing file", &H80004005
kelm.SaveQVM
Expect "save with nothing open", &H80004005
kelm.Kelmstore_Open qvm, "alice", False
Expect "open", 0
kelm.ReservePartition "Resistors", PartType
Expect "reserve", 0
kelm.UnReservePartition "Resistors", PartType
Expect "release", 0
kelm.AddPartition "Extra", Cell, True
Expect "add a partition", 0
kelm.AddPartition "Extra", Cell, True
Expect "add it again", 0
kelm.SaveQVM
Expect "save", 0
ExpectLibraryMentions "saved after the add", "CellDBLibs\\Extra.cel", True
kelm.DeletePartition "Extra", Cell
Expect "delete the partition", 0
kelm.SaveQVM
Expect "save again", 0
ExpectLibraryMentions "saved after the delete", "CellDBLibs\\Extra.cel", False
kelm.Kelmstore_Close
Expect "close", 0
kelm.NoSuchMethod
Expect "an unknown method", 438
WScript.Echo "client.vbs: all steps passed"
