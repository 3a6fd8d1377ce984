# The scan lists every searched drive (not the CD-ROM) and finds the copies
# in walk order: in the root, nested, in hidden and system folders, stored in
# capitals, but not a folder named Mwn.exe. The copies are newer than the
# payload, so the run refuses and the found list stays in Memo1.
drives D E:cdrom F
place new D/Mwn.exe D/A/B/Mwn.exe D/Hidden/Mwn.exe D/System/Mwn.exe E/Mwn.exe
place new D/Upper/MWN.EXE
mkdir -p "$SANDBOX/D/X/Mwn.exe"
dos_attrib +h 'D:\Hidden'
dos_attrib +s 'D:\System'
dos_attrib +h 'D:\A\B\Mwn.exe'
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Error: a newer version of Mwn.exe already exists on your \r\nsystem.  No update will take place." 300
press OK
wait-box "Close Marlowen Update?"
control-is 202 "C:\r\nD:\r\nF:\r\n"
control-is 201 "D:\\Mwn.exe\r\nD:\\A\\B\\Mwn.exe\r\nD:\\Hidden\\Mwn.exe\r\nD:\\System\\Mwn.exe\r\nD:\\Upper\\Mwn.exe\r\n"
control-is 203 ""
press Yes
expect-exit 60 2
SCENARIO
updater_ended 2
same_file "$SANDBOX/D/Upper/MWN.EXE" "$MWN_COPY_NEW"
