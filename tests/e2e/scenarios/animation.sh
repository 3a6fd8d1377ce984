# The caption animation goes on while a large tree is walked: it never stands
# still for more than a few of its one-second steps, however long the walk.
drives D
for tree in "$SANDBOX"/D/tree{000..199}; do mkdir -p "$tree"/leaf{000..199}; done
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-gone
caption-moves-until-dialog 3.5 600
text-is "Done!"
press OK
wait-box "Close Marlowen Update?"
main-caption-is "Mwn Update"
press Yes
expect-exit 60 0
SCENARIO
updater_ended
