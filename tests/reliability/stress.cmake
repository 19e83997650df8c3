# Several processes adding, changing and deleting forms on one catalogue.
