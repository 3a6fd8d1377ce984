# The plain message's caption is the title derived from the exe's own name.
drives D
start_updater UPDATER.EXE
robot <<'SCENARIO'
attach UPDATER.EXE
wait-box "Update Marlowen Now?"
press Cancel
wait-plain "Update cancelled by user."
caption-is Updater
press OK
expect-exit 60 1602
SCENARIO
updater_ended 1602
