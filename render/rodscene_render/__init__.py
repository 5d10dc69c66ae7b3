"""The render path of rodscene: configurations and scene text to pictures
and films through POV-Ray. The command line is in command_line.py; each
other module owns one step."""
