' Authorizes an account once and saves both key pairs for the other examples, in two steps:
'   cscript //nologo Authorize.vbs KEYFILE CONSUMER_KEY CONSUMER_SECRET
'       prints the page to open; approve there and note the PIN the service shows
'   cscript //nologo Authorize.vbs KEYFILE PIN
'       trades the PIN for the access pair
' Between the steps the key file holds the request token in place of the access pair.
Option Explicit
Dim twitter, keyFile, url
Set twitter = CreateObject("Velmora.Twitter")
Select Case WScript.Arguments.Count
    Case 3
        keyFile = WScript.Arguments(0)
        twitter.ConsumerKey = WScript.Arguments(1)
        twitter.ConsumerSecret = WScript.Arguments(2)
        url = twitter.RequestAuthorization()
        Check "RequestAuthorization"
        twitter.SaveConsumerKey keyFile
        Check "SaveConsumerKey"
        twitter.SaveAccessKey keyFile
        Check "SaveAccessKey"
        WScript.Echo "Open this page and approve: " & url
        WScript.Echo "Then run: cscript Authorize.vbs " & keyFile & " PIN"
    Case 2
        keyFile = WScript.Arguments(0)
        twitter.LoadConsumerKey keyFile
        Check "LoadConsumerKey"
        twitter.LoadAccessKey keyFile
        Check "LoadAccessKey"
        twitter.RequestAccessToken WScript.Arguments(1)
        Check "RequestAccessToken"
        twitter.SaveAccessKey keyFile
        Check "SaveAccessKey"
        WScript.Echo "Authorized; the keys are in " & keyFile
    Case Else
        WScript.Echo "usage: cscript Authorize.vbs KEYFILE CONSUMER_KEY CONSUMER_SECRET"
        WScript.Echo "       cscript Authorize.vbs KEYFILE PIN"
        WScript.Quit 2
End Select

Sub Check(action)
    If twitter.LastError <> 0 Then
        WScript.Echo action & " failed: " & twitter.LastError & " " & twitter.GetErrorDescription(twitter.LastError)
        WScript.Quit 1
    End If
End Sub
