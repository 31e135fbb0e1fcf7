# GoogleTest sources of the table rules, export writer and settings file.
