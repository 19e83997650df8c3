# Every allocation, open, read, write, set-end and profile write of every
# catalogue operation and export made to fail in turn.
