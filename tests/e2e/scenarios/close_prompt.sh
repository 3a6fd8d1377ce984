# With no copy anywhere the run ends in "Done!" and the close prompt. No keeps
# the window open, stopped, and a later activation starts no second run; Yes
# ends the program.
drives D
for answer in No Yes; do
  start_updater
  if [ $answer = No ]; then
    after_no='
main-caption-is "Mwn Update"
caption-stays "Mwn Update" 1.5
enabled-is main 1
control-is 104 ""
control-is 101 "Copies of Marlowen found on your system . . ."
enabled-is 101 0
expect-running
activate-main
no-dialog-for 5
expect-running
close-main'
  else
    after_no=
  fi
  robot <<SCENARIO
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
caption-is Mwnupdate
press OK
wait-box "Close Marlowen Update?"
text-is "Marlowen Update has completed it's processing.  Close?"
buttons-are Yes No
icon-is none
enabled-is main 0
main-caption-is "Mwn Update"
control-is 202 "C:\r\nD:\r\n"
control-is 201 ""
control-is 203 ""
press $answer
wait-gone
$after_no
expect-exit 60 0
SCENARIO
  updater_ended
  temp_is_empty
done
