' A VBScript client of the registered KelmAPI.dll (cscript //nologo client.vbs <copy of the example
' library>): each kind of out-parameter received in plain variables (references to VARIANTs), failures
' through Err. The first mismatch names the step and exits with 1.
Option Explicit
Const Cell = 2       ' KelmEnum_ObjType_Cell
Const PartType = 3   ' KelmEnum_ObjType_PartType
Dim folder, qvm, kelm, other, result
folder = WScript.Arguments(0)
qvm = folder & "\Demo.qvm"

Sub Fail(stepName, message)
    WScript.Echo "FAILED: " & stepName & ": " & message
    WScript.Quit 1
End Sub

Sub Expect(stepName, expected)
    If Err.Number <> expected Then Fail stepName, "status " & Hex(Err.Number) & ", expected " & Hex(expected) & " (" & Err.Description & ")"
    Err.Clear
End Sub

' A failure with its number, a description that names the method, and the source.
Sub ExpectFailure(stepName, expected, method)
    If Err.Number <> expected Then Fail stepName, "status " & Hex(Err.Number) & ", expected " & Hex(expected)
    If InStr(Err.Description, method & " failed") <> 1 Then Fail stepName, "description: " & Err.Description
    If Err.Source <> "KelmAPI.Kelm" Then Fail stepName, "source: " & Err.Source
    Err.Clear
End Sub

' A result and the status of the call that gave it.
Sub ExpectValue(stepName, value, expected)
    If Err.Number <> 0 Then Fail stepName, "status " & Hex(Err.Number) & ": " & Err.Description
    If CStr(value) <> CStr(expected) Then Fail stepName, "got " & value & ", expected " & expected
End Sub

' A list (an array of VARIANTs holding strings) read by index up to UBound and with For Each
' (Wine's VBScript has no Join); errors while reading it are caught here.
Sub ExpectList(stepName, list, expected)
    Dim i, byIndex, byEach, item
    If Err.Number <> 0 Then Fail stepName, "status " & Hex(Err.Number) & ": " & Err.Description
    On Error Resume Next
    For i = 0 To UBound(list)
        If i > 0 Then byIndex = byIndex & "|"
        byIndex = byIndex & list(i)
    Next
    For Each item In list
        If byEach <> "" Then byEach = byEach & "|"
        byEach = byEach & item
    Next
    If Err.Number <> 0 Then Fail stepName, "cannot read the list: " & Hex(Err.Number) & " " & Err.Description
    If byIndex <> expected Or byEach <> expected Then
        Fail stepName, "got " & byIndex & ", expected " & expected
    End If
End Sub

On Error Resume Next
Set kelm = CreateObject("KelmAPI.Kelm")
Expect "CreateObject", 0

kelm.Kelmstore_Open folder & "\Missing.qvm", "alice", False
ExpectFailure "open of a missing library", &H80004005, "Kelmstore_Open"
kelm.GetSearchScheme_Default result
ExpectFailure "a query with nothing open", &H80004005, "GetSearchScheme_Default"

kelm.Kelmstore_Open qvm, "alice", False
Expect "open", 0

kelm.GetSearchScheme_Default result
ExpectValue "default scheme", result, "(Default)"
kelm.GetSearchScheme_All result
ExpectList "schemes", result, "(Default)|Smd only"
kelm.GetPartitionItems "Resistors", "R-08*", PartType, result
ExpectList "items with a filter", result, "R-0805-1K"
kelm.GetPartitionItemsCount "Resistors", "*", PartType, result
ExpectValue "count", result, 2
kelm.DoesItemExist "", "", "DIP14", Cell, result
ExpectValue "DoesItemExist", result, True
kelm.GetPartsUsingThisCell "SOIC14", result
ExpectList "GetPartsUsingThisCell", result, "SN74HC00|SN74HC04"

' A bad kind, with the words for it.
result = "kept"
kelm.GetPartitionItems "Resistors", "*", 7, result
ExpectFailure "a bad kind", &H80004005, "GetPartitionItems"
If result <> "kept" Then Fail "a bad kind", "the variable changed: " & result

Set other = CreateObject("KelmAPI.Kelm")
other.Kelmstore_Open qvm, "bob", False
other.ReservePartition "Resistors", PartType
Expect "bob reserves Resistors", 0
kelm.GetPartitionReservation "Resistors", PartType, result
ExpectValue "holder", result, "bob"
kelm.ReservePartition "Resistors", PartType
ExpectFailure "a partition reserved by another user", &H80041002, "ReservePartition"
other.UnReservePartition "Resistors", PartType
other.Kelmstore_Close
Set other = Nothing

kelm.ReservePartition "Resistors", PartType
Expect "reserve", 0
kelm.DeleteItemFromQVM "Resistors", "R-0805-1K", PartType, result
ExpectValue "delete", result, False
kelm.DeleteItemFromQVM "Resistors", "R-0805-1K", PartType, result
ExpectFailure "delete what is gone", &H80040005, "DeleteItemFromQVM"

kelm.Kelmstore_Close
Expect "close", 0
kelm.NoSuchMethod
Expect "an unknown method", 438
WScript.Echo "client.vbs: all steps passed"
