// (being written)
#pragma once
